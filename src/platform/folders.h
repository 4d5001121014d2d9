#pragma once
// The folders the platform gives the program: the executable's, the per-user writable one, and
// showing a folder in the desktop's file browser.
#include <string>

namespace dx {

// The executable's folder with a trailing separator ("./" when the platform cannot tell).
std::string basePathOfExecutable();
// The per-user writable folder of an organisation and an application, made when missing, with a
// trailing separator; "" when there is none (the platform's error then says why).
std::string perUserFolder(const std::string& org, const std::string& app);
// Opens a folder in the desktop's file browser without waiting for it.
void openFolder(const std::string& path);

}  // namespace dx
