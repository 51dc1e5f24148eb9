// Paths between the program and the frame server, which runs on the Unix side
// of Wine: Wine's kernel32 converts them (wine_get_unix_file_name and
// wine_get_dos_file_name, found at run time: Windows has neither), and the
// server's UTF-8 texts reach the program's ANSI calls in its code page.
#pragma once

#include <optional>
#include <string>

// The Unix path (UTF-8) of a Windows path of the program's code page; nothing
// where the conversion is not there (on Windows) or fails.
std::optional<std::string> UnixPathOf(const std::string& windowsPath);
// The Windows path, in the program's code page, of a Unix path (UTF-8): its
// short name where the code page lacks a character of it; nothing where the
// conversion is not there or fails.
std::optional<std::string> WindowsPathOf(const std::string& unixPathUtf8);
// A UTF-8 text in the program's code page (characters it lacks become '?').
std::string AnsiFromUtf8(const std::string& text);
