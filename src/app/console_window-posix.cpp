#include "app/console_window.h"

void pauseIfOwnConsoleWindow(std::wstring_view /*prompt*/) {}
