// Tarnwick's wide entry point.
#include "cli/option_table.h"
#include "discovery/loadpoints.h"
#include "registration/registration.h"

int wmain(int, wchar_t**) {
    return 0;
}
