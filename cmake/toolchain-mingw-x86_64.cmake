# Cross build for 64-bit (x86_64) Windows with mingw-w64. This build is a test vehicle: it runs
# the same tests under 64-bit Wine on machines whose kernel cannot run 32-bit programs. The
# deliverables stay the 32-bit images of the i686 build.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
