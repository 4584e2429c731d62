// Fuzzes qelrpt-host's CSV reader: any bytes must give records whose
// fields lie inside the data, are NUL-terminated where their size says,
// with line ranges that never go back or overlap, and the reader must
// always reach the end.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "csv.h"

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    // The reader works in place and may write one byte past the data.
    std::vector<char> file(data, data + size);
    file.push_back('\x7F');
    qhost::CsvReader reader(file.data(), size);
    qhost::CsvRecord record;
    std::size_t lastLine = 0, records = 0;
    while (reader.Next(record)) {
        Check(++records <= size + 1);
        Check(record.line > lastLine);
        Check(record.lastLine >= record.line);
        lastLine = record.lastLine;
        if (!record.problem.empty()) {
            Check(record.fields.empty());
            continue;
        }
        Check(!record.fields.empty());
        for (const qhost::CsvField &field : record.fields) {
            Check(field.text >= file.data() && field.text + field.size < file.data() + file.size());
            Check(field.text[field.size] == '\0');
        }
    }
    return 0;
}
