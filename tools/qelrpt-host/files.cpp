#include "files.h"

#include <filesystem>
#include <system_error>

#include "host_errors.h"

namespace qhost {

void RefuseIfNotRegular(const std::string &path, const std::string &name) {
    std::error_code error;
    const std::filesystem::file_type type = std::filesystem::status(path, error).type();
    if (!error && type != std::filesystem::file_type::regular && type != std::filesystem::file_type::not_found)
        throw HostError(name + " is not a regular file");
}

void RefuseIfFolder(const std::string &path, const std::string &name) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) throw HostError(name + " is a folder, not a file");
}

}  // namespace qhost
