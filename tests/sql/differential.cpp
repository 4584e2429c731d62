// The same generated calls through the plug-in's exports (as the report
// engine makes them), the SQLite extension and the PostgreSQL extension:
// every answer must agree.  The functions are those of the plug-in's
// definition table, so a function the SQL surfaces lack fails here.
//
// A String result of the SQL functions is the plug-in's, cut before a
// character that the 255-byte bound cut into; a Number goes to SQL as the
// decimal text, as numeric, double precision, SQLite REAL, TEXT and (when
// whole) INTEGER, and to the plug-in as the double nearest 100 times it.
//
// Run by with-postgresql.sh, which sets the libpq environment;
// QELRPT_SQLITE_EXTENSION names the SQLite extension.
#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "abi/engine.h"

namespace {

struct Function {
    std::string name, result;
    std::vector<std::string> parameters;
    engine::Formula entry;
};

// The functions of the definition table: "String QELName( String, Number )".
std::vector<Function> DefinedFunctions() {
    using Getter = const void *(HOST_CALL *)();
    const auto getter = reinterpret_cast<Getter>(engine::Library::Get().Symbol("UFGetFunctionDefStrings"));
    std::vector<Function> functions;
    const auto *header = static_cast<const unsigned char *>(getter());
    const unsigned char *row = nullptr;
    std::memcpy(&row, header + 2, engine::kPtr);
    for (;; row += 2 * engine::kPtr + 4) {
        const char *definition = nullptr;
        std::memcpy(&definition, row, engine::kPtr);
        if (definition == nullptr) break;
        Function f;
        std::memcpy(&f.entry, row + engine::kPtr, engine::kPtr);
        const std::string text = definition;
        const std::size_t space = text.find(' '), open = text.find("( ");
        f.result = text.substr(0, space);
        f.name = text.substr(space + 1, open - space - 1);
        std::string list = text.substr(open + 2, text.size() - open - 4);
        for (std::size_t at = 0; at <= list.size();) {
            const std::size_t comma = std::min(list.find(", ", at), list.size());
            f.parameters.push_back(list.substr(at, comma - at));
            at = comma + 2;
        }
        functions.push_back(f);
    }
    return functions;
}

// The double nearest 100 times the decimal `text` ("-12.5", "3"): the point
// moved two places, then read by strtod (correctly rounded).
double Hundredfold(const std::string &text) {
    std::string digits = text;
    std::size_t point = digits.find('.');
    if (point == std::string::npos) point = digits.size(), digits += '.';
    digits.erase(point, 1);
    while (digits.size() < point + 2) digits += '0';
    digits.insert(point + 2, ".");
    return std::strtod(digits.c_str(), nullptr);
}

// A text cut at a byte bound without its last, partial UTF-8 character.
std::string WholeCharacters(const std::string &text) {
    std::size_t start = text.size();
    while (start > 0 && (static_cast<unsigned char>(text[start - 1]) & 0xC0U) == 0x80U) --start;
    if (start == 0) return text;
    const auto lead = static_cast<unsigned char>(text[start - 1]);
    const std::size_t need = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    return text.size() - (start - 1) >= need ? text : text.substr(0, start - 1);
}

struct Generator {
    std::mt19937 random{20261209};
    std::size_t Below(std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(random); }

    std::vector<std::string> NamePieces() {
        static const char *const pieces[] = {"Plant", "A", "B", "Pump", "01", "7", "\\", "\\", ".", " ", "é", "€", "x"};
        const std::size_t count = Below(8) == 0 ? 60 + Below(80) : 1 + Below(10);
        std::vector<std::string> name;
        for (std::size_t i = 0; i < count; ++i) name.emplace_back(pieces[Below(std::size(pieces))]);
        return name;
    }
    static std::string Join(const std::vector<std::string> &pieces) {
        std::string text;
        for (const std::string &p : pieces) text += p;
        return text;
    }
    // A pattern made from a name: pieces kept, replaced by "*", or each
    // of their characters by "%".
    std::string PatternFor(const std::vector<std::string> &name) {
        std::string pattern;
        for (const std::string &piece : name) {
            const std::size_t choice = Below(6);
            if (choice == 0)
                pattern += "*";
            else if (choice == 1)
                pattern.append(piece == "é" || piece == "€" ? piece.size() : piece.size(), '%');
            else if (choice == 2 && Below(4) == 0)
                pattern += "Q";
            else
                pattern += piece;
        }
        return pattern;
    }
    std::string Decimal() {
        std::string text = Below(4) == 0 ? "-" : "";
        text += std::to_string(Below(Below(3) == 0 ? 4000000000 : 100000));
        if (Below(3) != 0) {
            text += ".";
            for (std::size_t i = 1 + Below(4); i > 0; --i) text += static_cast<char>('0' + Below(10));
        }
        return text;
    }
};

struct Call {
    std::vector<std::string> texts;  // one per parameter: a name, a pattern or a decimal
};

std::vector<Call> MakeCalls(const Function &f, Generator &g, std::size_t count) {
    std::vector<Call> calls;
    for (std::size_t i = 0; i < count; ++i) {
        const std::vector<std::string> name = g.NamePieces();
        // The first text of two: for a pattern, one made from the name;
        // otherwise a name that shares the name's first pieces.
        std::vector<std::string> other(name.begin(),
                                       name.begin() + static_cast<std::ptrdiff_t>(g.Below(name.size() + 1)));
        for (const std::string &piece : g.NamePieces()) other.push_back(piece);
        Call call;
        for (std::size_t p = 0; p < f.parameters.size(); ++p) {
            const bool last = p + 1 == f.parameters.size();
            if (f.parameters[p] == "Number")
                call.texts.push_back(g.Decimal());
            else if (last)
                call.texts.push_back(f.name == "QELPatternMatch" ? g.PatternFor(name) : Generator::Join(name));
            else
                call.texts.push_back(f.name == "QELPatternMatch" ? Generator::Join(name) : Generator::Join(other));
        }
        calls.push_back(call);
    }
    return calls;
}

// The plug-in's answer as SQL gives it: the cut text, or "1"/"0".
std::string PluginAnswer(const Function &f, const Call &call) {
    std::vector<engine::Arg> args;
    for (std::size_t p = 0; p < call.texts.size(); ++p)
        args.push_back(f.parameters[p] == "Number" ? engine::Arg::Num(Hundredfold(call.texts[p]))
                                                   : engine::Arg::Str(call.texts[p]));
    const std::string answer = engine::CallQuietly(f.entry, f.result == "Boolean", args);
    return f.result == "String" ? WholeCharacters(answer) : answer;
}

class Engines : public ::testing::Test {
   protected:
    static void SetUpTestSuite() {
        ASSERT_EQ(sqlite3_open(":memory:", &lite), SQLITE_OK);
        sqlite3_enable_load_extension(lite, 1);
        char *error = nullptr;
        const char *path = std::getenv("QELRPT_SQLITE_EXTENSION");
        ASSERT_NE(path, nullptr);
        ASSERT_EQ(sqlite3_load_extension(lite, path, nullptr, &error), SQLITE_OK) << (error ? error : "");
        pg = PQconnectdb("");
        ASSERT_EQ(PQstatus(pg), CONNECTION_OK) << PQerrorMessage(pg);
        PGresult *r = PQexec(pg, "CREATE EXTENSION IF NOT EXISTS qelrpt");
        ASSERT_EQ(PQresultStatus(r), PGRES_COMMAND_OK) << PQerrorMessage(pg);
        PQclear(r);
    }
    static void TearDownTestSuite() {
        sqlite3_close(lite);
        PQfinish(pg);
    }
    static sqlite3 *lite;
    static PGconn *pg;
};
sqlite3 *Engines::lite = nullptr;
PGconn *Engines::pg = nullptr;

// SQLite's answer, with each Number bound as `numberAs` (SQLITE_TEXT,
// SQLITE_FLOAT or SQLITE_INTEGER).
std::string SqliteAnswer(sqlite3 *db, const Function &f, const Call &call, int numberAs) {
    std::string sql = "SELECT " + f.name + "(";
    for (std::size_t p = 0; p < call.texts.size(); ++p) sql += p == 0 ? "?" : ", ?";
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(db, (sql + ")").c_str(), -1, &statement, nullptr) != SQLITE_OK) return sqlite3_errmsg(db);
    for (std::size_t p = 0; p < call.texts.size(); ++p) {
        const std::string &text = call.texts[p];
        const int at = static_cast<int>(p) + 1;
        if (f.parameters[p] != "Number" || numberAs == SQLITE_TEXT)
            sqlite3_bind_text(statement, at, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
        else if (numberAs == SQLITE_FLOAT)
            sqlite3_bind_double(statement, at, std::strtod(text.c_str(), nullptr));
        else
            sqlite3_bind_int64(statement, at, std::strtoll(text.c_str(), nullptr, 10));
    }
    std::string answer = "(no row)";
    if (sqlite3_step(statement) == SQLITE_ROW) {
        const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(statement, 0));
        answer = text != nullptr ? text : "(null)";
    } else {
        answer = sqlite3_errmsg(db);
    }
    sqlite3_finalize(statement);
    return answer;
}

// PostgreSQL's answer, with each Number cast to `numberType`.
std::string PostgresAnswer(PGconn *pg, const Function &f, const Call &call, const char *numberType) {
    std::string sql = "SELECT " + f.name + "(";
    std::vector<const char *> values;
    for (std::size_t p = 0; p < call.texts.size(); ++p) {
        sql +=
            (p == 0 ? "$" : ", $") + std::to_string(p + 1) + "::" + (f.parameters[p] == "Number" ? numberType : "text");
        values.push_back(call.texts[p].c_str());
    }
    sql += ")";
    PGresult *r =
        PQexecParams(pg, sql.c_str(), static_cast<int>(values.size()), nullptr, values.data(), nullptr, nullptr, 0);
    std::string answer = PQresultStatus(r) == PGRES_TUPLES_OK ? PQgetvalue(r, 0, 0) : PQerrorMessage(pg);
    PQclear(r);
    if (f.result == "Boolean" && (answer == "t" || answer == "f")) answer = answer == "t" ? "1" : "0";
    return answer;
}

std::string Shown(const Function &f, const Call &call) {
    std::string text = f.name + "(";
    for (std::size_t p = 0; p < call.texts.size(); ++p) text += (p == 0 ? "'" : ", '") + call.texts[p] + "'";
    return text + ")";
}

TEST_F(Engines, EveryFunctionAgreesWithThePlugin) {
    Generator g;
    const std::vector<Function> functions = DefinedFunctions();
    ASSERT_GE(functions.size(), 7U);
    std::size_t cut = 0;
    for (const Function &f : functions) {
        for (const Call &call : MakeCalls(f, g, 300)) {
            const std::string expected = PluginAnswer(f, call);
            cut += expected.size() >= 250 ? 1U : 0U;
            const bool whole = std::any_of(f.parameters.begin(), f.parameters.end(),
                                           [](const std::string &p) { return p == "Number"; }) &&
                               call.texts[0].find('.') == std::string::npos;
            EXPECT_EQ(SqliteAnswer(lite, f, call, SQLITE_TEXT), expected) << "SQLite TEXT " << Shown(f, call);
            EXPECT_EQ(SqliteAnswer(lite, f, call, SQLITE_FLOAT), expected) << "SQLite REAL " << Shown(f, call);
            if (whole) {
                EXPECT_EQ(SqliteAnswer(lite, f, call, SQLITE_INTEGER), expected) << "SQLite INTEGER " << Shown(f, call);
            }
            EXPECT_EQ(PostgresAnswer(pg, f, call, "numeric"), expected) << "PostgreSQL numeric " << Shown(f, call);
            EXPECT_EQ(PostgresAnswer(pg, f, call, "double precision"), expected)
                << "PostgreSQL double " << Shown(f, call);
            if (whole) {
                EXPECT_EQ(PostgresAnswer(pg, f, call, "bigint"), expected) << "PostgreSQL bigint " << Shown(f, call);
            }
        }
    }
    EXPECT_GT(cut, 20U) << "too few calls reach the 255-byte bound";
}

}  // namespace
