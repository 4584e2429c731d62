// Files the host opens by path.
#ifndef QELRPT_HOST_FILES_H
#define QELRPT_HOST_FILES_H

#include <string>

namespace qhost {

// Throws HostError ("NAME is not a regular file", `name` being how the
// message names the file) when `path` names
// something other than a regular file: a folder or a device would make
// the reader or the loader fail, a named pipe would make it wait.  A path
// that is not there, or cannot be looked at, is left to the opener to
// report.
void RefuseIfNotRegular(const std::string &path, const std::string &name);

// Throws HostError ("NAME is a folder, not a file") when `path` names a
// folder.
void RefuseIfFolder(const std::string &path, const std::string &name);

}  // namespace qhost

#endif
