// The group path under each row of the printed page (--group-path): the
// levels of the row's own name above its leaf, as the level headers show
// them.  The model asks the library for the headers of each name alone
// (QELIndentTagHier against an empty previous name) and joins them; the
// page builds its paths from the headers of the listing, each row's
// against the row before.  Every row of the sample and of 100,000
// generated tags is compared, and so is a listing without --group-path,
// which prints none.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include "common/messages.h"
#include "csv.h"
#include "plugin.h"
#include "report.h"
#include "tags.h"

namespace {

const std::string PathSeparator = " \xE2\x80\xBA ";  // " › "

std::string ReadAll(std::FILE *file) {
    std::rewind(file);
    std::string text;
    char buffer[65536];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) text.append(buffer, n);
    return text;
}

std::string Unescaped(std::string text) {
    const std::pair<const char *, const char *> entities[] = {
        {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&#39;", "'"}, {"&amp;", "&"}};
    for (const auto &[entity, character] : entities)
        for (std::size_t at; (at = text.find(entity)) != std::string::npos;)
            text.replace(at, std::string(entity).size(), character);
    return text;
}

// The names of a tag file, in the listing's order (byte order).
std::vector<std::string> SortedNames(const std::string &path) {
    std::vector<char> data = qhost::ReadCsvFile(path, std::uintmax_t{1} << 30U);
    qhost::CsvReader reader(data.data(), data.size() - 1);
    std::FILE *sink = std::tmpfile();
    qtool::Messages messages("test", sink);
    qtool::Progress progress(messages, false);
    const qhost::Columns columns = qhost::ReadHeader(reader, path);
    const qhost::TagList list = qhost::ReadTags(reader, columns, path, messages, progress);
    std::fclose(sink);
    std::vector<std::string> names;
    for (const qhost::Tag &tag : list.tags) names.emplace_back(tag.Name());
    std::stable_sort(names.begin(), names.end());  // std::string compares bytes as unsigned char
    return names;
}

// The model: each name's levels as the library shows them for the name alone.
std::vector<std::string> ModelPaths(const qhost::Plugin &plugin, const std::vector<std::string> &names) {
    const qhost::Function *function = plugin.Find("QELIndentTagHier");
    EXPECT_NE(function, nullptr);
    const qhost::Job job(plugin, 7);
    qhost::Call headers(plugin, *function);
    std::vector<std::string> paths;
    for (const std::string &name : names) {
        headers.SetString(0, "");
        headers.SetString(1, name.c_str());
        std::istringstream lines{std::string(headers.InvokeString())};
        std::string path;
        for (std::string line; std::getline(lines, line);)
            path +=
                (path.empty() ? "" : PathSeparator) + line.substr(std::min(line.find_first_not_of(' '), line.size()));
        paths.push_back(path);
    }
    return paths;
}

// The page's path of each row, in order ("" for a row without one).
std::vector<std::string> PagePaths(const qhost::Plugin &plugin, const std::string &path, bool groupPath) {
    qhost::ReportOptions options;
    options.format = qhost::ReportFormat::Html;
    options.groupPath = groupPath;
    std::FILE *page = std::tmpfile();
    std::FILE *sink = std::tmpfile();
    qtool::Messages messages("test", sink);
    qhost::RunReport(plugin, path, options, page, messages);
    const std::string html = ReadAll(page);
    std::fclose(page);
    std::fclose(sink);
    std::vector<std::string> paths;
    const std::string row = "<td class=\"tag\"", open = "<span class=\"path\">";
    for (std::size_t at = html.find(row); at != std::string::npos; at = html.find(row, at + 1)) {
        const std::size_t end = html.find("</td>", at);
        const std::size_t span = html.substr(at, end - at).find(open);
        if (span == std::string::npos) {
            paths.emplace_back();
            continue;
        }
        const std::size_t text = at + span + open.size();
        paths.push_back(Unescaped(html.substr(text, html.find("</span>", text) - text)));
    }
    return paths;
}

void ExpectOwnPaths(const std::string &file) {
    const qhost::Plugin plugin(QELRPT_TEST_LIBRARY);
    const std::vector<std::string> names = SortedNames(file);
    const std::vector<std::string> wanted = ModelPaths(plugin, names);
    const std::vector<std::string> shown = PagePaths(plugin, file, true);
    ASSERT_EQ(shown.size(), names.size()) << file;
    std::size_t wrong = 0;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (shown[i] == wanted[i]) continue;
        if (++wrong <= 5)
            ADD_FAILURE() << file << ": row " << i + 1 << " " << names[i] << " shows the path \"" << shown[i]
                          << "\", its own is \"" << wanted[i] << "\"";
    }
    EXPECT_EQ(wrong, 0U) << "rows with another row's path";
    const std::vector<std::string> none = PagePaths(plugin, file, false);
    EXPECT_EQ(std::count(none.begin(), none.end(), std::string()), static_cast<std::ptrdiff_t>(names.size()))
        << "without --group-path the page shows no path";
}

TEST(GroupPath, EveryRowOfTheSampleShowsItsOwnLevels) { ExpectOwnPaths(QELRPT_TEST_SAMPLE); }

TEST(GroupPath, EveryRowOfGeneratedTagsShowsItsOwnLevels) {
    // In the working folder (CTest's is in the build tree), not the shared
    // temporary folder, where a fixed name would clash with other runs.
    const std::string file = (std::filesystem::current_path() / "group-path-tags.csv").string();
    std::string command = std::string("\"") + QELRPT_TEST_GENTAGS + "\" --tags 100000 > \"" + file + "\"";
#ifdef _WIN32
    // cmd /c drops the first and the last quote of a line that starts with one.
    command = "\"" + command + "\"";
#endif
    const int status = std::system(command.c_str());
#ifndef _WIN32
    // The shell's 126: the kernel cannot start the program (a 32-bit one
    // where the tests themselves run under an emulator).
    if (WIFEXITED(status) && WEXITSTATUS(status) == 126)
        GTEST_SKIP() << "this kernel cannot start " << QELRPT_TEST_GENTAGS << " on its own";
#endif
    ASSERT_EQ(status, 0) << command;
    ExpectOwnPaths(file);
    std::remove(file.c_str());
}

}  // namespace
