#include "cli/option_table.h"

namespace tarnwick {

const OptionTable kOptionTable = {{
    {false, L"?", false, {}, L"Displays usage help."},
    {false, L"unregister", false, {}, L"Unregisters the Pro/TOOLKIT application."},
    {false,
     L"listxtops",
     false,
     {},
     L"Outputs a list of XTOP.EXE application locations. When this setting is present, you must also use /reg, "
     L"all other settings are ignored except /?."},
    {false, L"name", true, {}, L"The Pro/TOOLKIT application name."},
    {false,
     L"startup",
     true,
     {},
     L"The start up method used to invoke the Pro/TOOLKIT application. Example valid values are 'spawn', 'dll' or "
     L"'java'."},
    {false,
     L"fail",
     false,
     {},
     L"Specifies that host CAD application should close when errors are encountered in the Pro/TOOLKIT "
     L"application."},
    {false, L"exec32", true, {}, L"The full path to the 32-bit Pro/TOOLKIT application."},
    {false, L"exec64", true, {}, L"The full path to the 64-bit Pro/TOOLKIT application."},
    {false,
     L"text",
     true,
     {},
     L"The full path to the text directory the Pro/TOOLKIT application loads resources from."},
    {false,
     L"unicode",
     false,
     {},
     L"Specifies that the Pro/TOOLKIT application should be flagged as using UNICODE encoding. By default, UNICODE "
     L"encoding will not be enabled."},
    {false,
     L"delay",
     false,
     {},
     L"Specifies that the Pro/TOOLKIT application should not be started when the host CAD application starts."},
    {false, L"desc", true, {}, L"A description of the Pro/TOOLKIT application."},
    {false,
     L"reg",
     true,
     {},
     L"The full path of a data file containing the registry keys to use to locate Pro/ENGINEER and Creo "
     L"loadpoints."},
    {false,
     L"spares",
     true,
     {},
     L"The path of a directory to generate spare Pro/TOOLKIT registry files in. Any existing registry files named "
     L"protkx32.dat or protkx64.dat will be overridden."},
    {false,
     L"materials",
     true,
     {},
     L"The path of a directory that contains material data to install into the host CAD applications. For "
     L"installation only."},
}};

}  // namespace tarnwick
