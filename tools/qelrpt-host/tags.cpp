#include "tags.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "common/display.h"
#include "host_errors.h"
#include "numbers.h"
#include "signature.h"

namespace qhost {

namespace {

using qtool::Quoted;

// The bytes that may start something a name may not hold: C0 controls
// (NUL and line breaks among them), DEL, 0xC2, the lead byte of the C1
// controls in UTF-8, and 0xD8 and 0xE2, those of the bidirectional
// formatting characters.
constexpr std::array<bool, 256> Suspect = [] {
    std::array<bool, 256> suspect{};
    for (std::size_t c = 0; c < 0x20; ++c) suspect[c] = true;
    suspect[0x7F] = suspect[0xC2] = suspect[0xD8] = suspect[0xE2] = true;
    return suspect;
}();

// How many records are read between looks at the clock for the progress.
constexpr std::size_t ProgressStep = 65536;

// The most line ranges of skipped records kept for the listing.
constexpr std::size_t ShownRanges = 10;

// The most header cells a message quotes.
constexpr std::size_t ShownCells = 10;

// What a tag name may not hold: it would break the listing's lines, reach
// the terminal as a control sequence, or move the columns of its line.
std::string NameProblem(const CsvField &name) {
    if (name.size == 0) return "the tag name is empty";
    const auto *bytes = reinterpret_cast<const unsigned char *>(name.text);
    bool suspect = false;
    for (std::size_t i = 0; i < name.size; ++i) suspect |= Suspect[bytes[i]];
    if (!suspect) return {};
    if (std::strlen(name.text) != name.size) return "the tag name holds a NUL byte";
    if (std::strpbrk(name.text, "\r\n") != nullptr) return "the tag name holds a line break";
    const std::string control = qtool::ControlCharacter({name.text, name.size});
    if (!control.empty()) return "the tag name holds the control character " + control;
    const std::string bidi = qtool::BidiControl({name.text, name.size});
    if (!bidi.empty()) return "the tag name holds the bidirectional control " + bidi + ", which would reorder its line";
    return {};
}

// A field without the blanks (spaces and tabs) around it.
std::string_view Trimmed(const CsvField &field) {
    std::string_view text(field.text, field.size);
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

}  // namespace

std::string_view Tag::ValueText() const {
    const CsvField field{name + valueAt, std::strlen(name + valueAt)};
    return Trimmed(field);
}

Columns ReadHeader(CsvReader &reader, const std::string &path, const ColumnNames &names) {
    CsvRecord header;
    const std::string needed = names.name + ", " + names.value + " and " + names.flags;
    if (!reader.Next(header))
        throw HostError(path + ": the file is empty; it needs a header row naming the columns " + needed);
    const std::string where = path + ":" + LineRange(header) + ": ";
    if (!header.problem.empty()) throw HostError(where + "header row: " + header.problem);
    Columns columns;
    columns.count = header.fields.size();
    const std::array<std::pair<const char *, std::size_t *>, 3> wanted = {{{names.name.c_str(), &columns.name},
                                                                           {names.value.c_str(), &columns.value},
                                                                           {names.flags.c_str(), &columns.flags}}};
    std::array<bool, 3> found{};
    std::string seen;
    for (std::size_t i = 0; i < header.fields.size(); ++i) {
        const std::string_view field(header.fields[i].text, header.fields[i].size);
        if (i < ShownCells)
            seen += (i == 0 ? "" : ", ") + Quoted(field);
        else if (i == ShownCells)
            seen += " and " + std::to_string(header.fields.size() - ShownCells) + " more";
        for (std::size_t w = 0; w < wanted.size(); ++w) {
            if (!SameName(field, wanted[w].first)) continue;
            if (found[w]) throw HostError(where + "the header row names the column " + wanted[w].first + " twice");
            found[w] = true;
            *wanted[w].second = i;
        }
    }
    if (std::find(found.begin(), found.end(), false) != found.end())
        throw HostError(where + "the header row must name the columns " + needed + "; it has " + seen);
    return columns;
}

TagRead ReadTag(const CsvRecord &record, const Columns &columns) {
    TagRead read;
    if (record.fields.size() != columns.count) {
        read.problem = std::to_string(columns.count) + " fields expected as in the header row, " +
                       std::to_string(record.fields.size()) + " found";
        return read;
    }
    const CsvField &name = record.fields[columns.name];
    read.problem = NameProblem(name);
    if (!read.problem.empty()) return read;
    const std::string_view valueText = Trimmed(record.fields[columns.value]);
    HostNumber value;
    if (!valueText.empty()) value = ParseHostNumber(valueText);
    if (!value.problem.empty()) {
        read.problem = "the value " + Quoted(valueText) + " is " + value.problem;
        return read;
    }
    const std::string_view flagsText = Trimmed(record.fields[columns.flags]);
    FlagWord flags;
    if (!flagsText.empty()) flags = ParseFlagWord(flagsText);
    if (!flags.problem.empty()) {
        read.problem = "the flags " + Quoted(flagsText) + " are " + flags.problem;
        return read;
    }
    read.tag.name = name.text;
    read.tag.value = value.hundredfold;
    read.tag.nameSize = static_cast<std::uint32_t>(name.size);
    read.tag.flags = flags.value;
    read.tag.line = static_cast<std::uint32_t>(record.line) & 0x7FFFFFFFU;
    read.tag.hasFlags = flagsText.empty() ? 0U : 1U;
    read.tag.valueAt = static_cast<std::int32_t>(valueText.data() - name.text);
    return read;
}

ColumnNames ParseColumnNames(std::string_view text) {
    ColumnNames names;
    std::array<bool, 3> given{};
    const std::array<std::pair<const char *, std::string *>, 3> keys = {
        {{"name", &names.name}, {"value", &names.value}, {"flags", &names.flags}}};
    while (!text.empty()) {
        const std::string_view item = text.substr(0, text.find(','));
        text.remove_prefix(std::min(item.size() + 1, text.size()));
        const std::size_t equals = item.find('=');
        const std::string_view key = item.substr(0, equals);
        std::size_t k = 0;
        while (k < keys.size() && !SameName(key, keys[k].first)) ++k;
        if (equals == std::string_view::npos || equals + 1 == item.size() || k == keys.size())
            throw HostError("--columns " + Quoted(item) +
                            ": write COLUMN=HEADER, COLUMN being name, value or flags (name=TagName,value=Value)");
        if (given[k]) throw HostError(std::string("--columns names the column ") + keys[k].first + " twice");
        given[k] = true;
        *keys[k].second = std::string(item.substr(equals + 1));
    }
    return names;
}

TagList ReadTags(CsvReader &reader, const Columns &columns, const std::string &path, qtool::Messages &messages,
                 qtool::Progress &progress) {
    TagList list;
    // The room grows with the tags read (the vector doubles it), never with
    // the lines: blank lines and malformed records take none.
    CsvRecord record;
    for (std::size_t records = 1; reader.Next(record); ++records) {
        if (records % ProgressStep == 0 && progress.Due())
            progress.Show(std::to_string(list.tags.size()) + " tags read");
        TagRead read;
        if (!record.problem.empty())
            read.problem = record.problem;
        else
            read = ReadTag(record, columns);
        if (read.problem.empty()) {
            list.tags.push_back(read.tag);
            continue;
        }
        messages.SayAboutRecord(path + ":" + LineRange(record) + ": " + read.problem);
        if (list.skippedRanges.size() < ShownRanges) list.skippedRanges.push_back(LineRange(record));
        ++list.skippedRecords;
        list.skippedLines += record.lastLine - record.line + 1;
    }
    messages.EndRecords();
    return list;
}

}  // namespace qhost
