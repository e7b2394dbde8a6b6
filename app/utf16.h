// UTF-8 (the program's text everywhere outside the windows) to and from
// UTF-16 (what the wide Win32 calls take), for every window of the shell.
#pragma once

#include <string>
#include <string_view>

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view wide);
