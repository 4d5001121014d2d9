#include "platform/folders.h"

#include <SDL.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string_view>

#include "framework/log.h"
#include "framework/run_loop.h"

namespace dx {

namespace {

std::string takeSdlString(char* s) {
  std::string out = s ? s : "";
  SDL_free(s);
  return out;
}

// The freedesktop rule: an empty or relative XDG_DATA_HOME counts as unset (SDL would otherwise
// put the folder at the file system's root or relative to the working directory).
void dropInvalidDataHome() {
  const char* home = std::getenv("XDG_DATA_HOME");
  if (home && home[0] != '/') unsetenv("XDG_DATA_HOME");
}

// Whether a program of that name can be started from the search path.
bool onSearchPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string_view rest = path ? path : "/usr/bin:/bin";
  while (true) {
    const size_t colon = rest.find(':');
    const std::string dir(rest.substr(0, colon));
    if (access(joinPath(dir.empty() ? "." : dir, name).c_str(), X_OK) == 0) return true;
    if (colon == std::string_view::npos) return false;
    rest.remove_prefix(colon + 1);
  }
}

}  // namespace

std::string basePathOfExecutable() {
  const std::string path = takeSdlString(SDL_GetBasePath());
  return path.empty() ? "./" : path;
}

std::string perUserFolder(const std::string& org, const std::string& app) {
  dropInvalidDataHome();
  const std::string path = takeSdlString(SDL_GetPrefPath(org.c_str(), app.c_str()));
  // The platform takes a file already at the folder's place for the folder.
  std::error_code ec;
  if (path.empty() || std::filesystem::is_directory(path, ec)) return path;
  SDL_SetError("%s is not a folder", path.substr(0, path.size() - 1).c_str());
  return "";
}

void openFolder(const std::string& path) {
  if (path.empty()) {
    debug("cannot open the per-user folder: there is none (see the writePath line at start-up)");
    return;
  }
  if (!onSearchPath("xdg-open")) {
    debug("cannot open the folder: no file browser (xdg-open is not installed)", "the folder is " + path);
    return;
  }
  // Two forks so the opener is not left behind as a zombie; no shell sees the path.
  pid_t child = fork();
  if (child == 0) {
    if (fork() == 0) {
      execlp("xdg-open", "xdg-open", path.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    _exit(0);
  }
  if (child > 0) waitpid(child, nullptr, 0);
}

}  // namespace dx
