#pragma once
// The system headers that the support code, the tests and the test tools share.
#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>
#endif
#include <cerrno>
