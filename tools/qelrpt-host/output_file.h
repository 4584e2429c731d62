// A report's output file (-o FILE): written to a temporary file beside it
// and renamed over it only once the report is complete, so that a run
// that fails or is interrupted leaves FILE as it was.
#ifndef QELRPT_HOST_OUTPUT_FILE_H
#define QELRPT_HOST_OUTPUT_FILE_H

#include <cstdio>
#include <string>

namespace qhost {

class OutputFile {
   public:
    // Creates the temporary file in FILE's folder.  Throws HostError.
    explicit OutputFile(std::string path);
    // Removes the temporary file unless Commit has renamed it.
    ~OutputFile();
    OutputFile(const OutputFile &) = delete;
    OutputFile &operator=(const OutputFile &) = delete;
    OutputFile(OutputFile &&) = delete;
    OutputFile &operator=(OutputFile &&) = delete;

    std::FILE *Stream() const { return stream_; }
    // Closes the temporary file and renames it to FILE.  Throws HostError.
    void Commit();

   private:
    std::string path_, temporary_;
    std::FILE *stream_ = nullptr;
};

}  // namespace qhost

#endif
