// The SQL functions against the plug-in and against the function table.
//   - The same generated calls through the plug-in's exports (as the report
//     engine makes them), the SQLite extension and the PostgreSQL
//     extension: every answer must agree.  The functions are those of the
//     plug-in's definition table, so a function the SQL surfaces lack
//     fails here.
//   - Every row's example gives the row's answer in both engines, with
//     each SQL type a Number takes.
//   - A NULL argument gives what the row's signature says, and the
//     PostgreSQL catalog holds each row's functions with the flags its
//     signature asks for.
//
// A String result of the SQL functions is the plug-in's, cut before a
// character that the 255-byte bound cut into; a Number goes to SQL as the
// decimal text, as numeric, double precision, SQLite REAL, TEXT and (when
// whole) INTEGER, and to the plug-in as the double nearest 100 times it
// (values/values.h, the rule every surface shares).
//
// Run by with-postgresql.sh, which sets the libpq environment;
// QELRPT_SQLITE_EXTENSION names the SQLite extension.
#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "abi/engine.h"
#include "functions/textout.h"
#include "support/generated_calls.h"
#include "support/table_rows.h"
#include "values/values.h"

namespace {

struct Function {
    std::string name, result;
    std::vector<std::string> parameters;
    engine::Formula entry;
};

// The functions of the plug-in's definition table: "String QELName( String, Number )".
std::vector<Function> DefinedFunctions() {
    std::vector<Function> functions;
    for (const engine::DefinedRow &row : engine::DefinedRows()) {
        Function f{row.name, row.definition.substr(0, row.definition.find(' ')), {}, row.entry};
        const std::size_t open = row.definition.find("( ");
        const std::string list = row.definition.substr(open + 2, row.definition.size() - open - 4);
        for (std::size_t at = 0; at <= list.size();) {
            const std::size_t comma = std::min(list.find(", ", at), list.size());
            f.parameters.push_back(list.substr(at, comma - at));
            at = comma + 2;
        }
        functions.push_back(f);
    }
    return functions;
}

// The double nearest 100 times the decimal `text`, as a host passes it.
double Hundredfold(const std::string &text) {
    double hundredfold = 0;
    EXPECT_EQ(qelrpt::ReadHundredfold(text, qelrpt::Specials::Refused, &hundredfold), qelrpt::NumberReading::Read)
        << text;
    return hundredfold;
}

struct Call {
    std::vector<std::string> texts;  // one per parameter: a name, a pattern or a decimal
    std::vector<bool> nulls;         // which are SQL NULL (none when shorter)
    bool Null(std::size_t p) const { return p < nulls.size() && nulls[p]; }
};

// The plug-in's answer as SQL gives it: the cut text, or "1"/"0".
std::string PluginAnswer(const Function &f, const Call &call) {
    std::vector<engine::Arg> args;
    for (std::size_t p = 0; p < call.texts.size(); ++p)
        args.push_back(f.parameters[p] == "Number" ? engine::Arg::Num(Hundredfold(call.texts[p]))
                                                   : engine::Arg::Str(call.texts[p]));
    std::string answer = engine::CallQuietly(f.entry, f.result == "Boolean", args);
    if (f.result == "String") answer.resize(qelrpt::ResultLength(answer.data(), answer.size(), qelrpt::TextBufferSize));
    return answer;
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

   public:
    static sqlite3 *Lite() { return lite; }
    static PGconn *Pg() { return pg; }
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
        if (call.Null(p))
            sqlite3_bind_null(statement, at);
        else if (f.parameters[p] != "Number" || numberAs == SQLITE_TEXT)
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
        values.push_back(call.Null(p) ? nullptr : call.texts[p].c_str());
    }
    sql += ")";
    PGresult *r =
        PQexecParams(pg, sql.c_str(), static_cast<int>(values.size()), nullptr, values.data(), nullptr, nullptr, 0);
    std::string answer = PQresultStatus(r) != PGRES_TUPLES_OK ? PQerrorMessage(pg)
                         : PQgetisnull(r, 0, 0) != 0          ? "(null)"
                                                              : PQgetvalue(r, 0, 0);
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
    support::CallGenerator g;
    const std::vector<Function> functions = DefinedFunctions();
    ASSERT_GE(functions.size(), 7U);
    std::size_t cut = 0;
    for (const Function &f : functions) {
        for (const std::vector<std::string> &texts : support::GeneratedCalls(f.name, f.parameters, g, 300)) {
            const Call call{texts, {}};
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

// A row of the function table as the engines are asked about it.
Function RowFunction(const support::TableRow &row) {
    return {row.name, row.result, row.ParameterTypes(), engine::Library::Get().FormulaEntry(row.entry)};
}

Call ExampleCall(const support::TableRow &row) {
    Call call;
    for (const support::ExampleArgument &argument : support::ExampleArguments(row.example))
        call.texts.push_back(argument.text);
    return call;
}

// Each answer of one call in both engines, a Number given as each SQL type
// that can hold it, by the type's name.
std::vector<std::pair<std::string, std::string>> EveryAnswer(const Function &f, const Call &call) {
    const bool whole = std::all_of(call.texts.begin(), call.texts.end(),
                                   [](const std::string &t) { return t.find_first_of(".eE") == std::string::npos; });
    std::vector<std::pair<std::string, std::string>> answers = {
        {"SQLite TEXT", SqliteAnswer(Engines::Lite(), f, call, SQLITE_TEXT)},
        {"SQLite REAL", SqliteAnswer(Engines::Lite(), f, call, SQLITE_FLOAT)},
        {"PostgreSQL numeric", PostgresAnswer(Engines::Pg(), f, call, "numeric")},
        {"PostgreSQL double precision", PostgresAnswer(Engines::Pg(), f, call, "double precision")}};
    if (whole) {
        answers.emplace_back("SQLite INTEGER", SqliteAnswer(Engines::Lite(), f, call, SQLITE_INTEGER));
        answers.emplace_back("PostgreSQL bigint", PostgresAnswer(Engines::Pg(), f, call, "bigint"));
    }
    return answers;
}

TEST_F(Engines, EveryExampleGivesItsAnswer) {
    for (const support::TableRow &row : support::kTableRows) {
        const std::string expected = row.Boolean() ? (std::string(row.answer) == "True" ? "1" : "0") : row.answer;
        for (const auto &[engine, answer] : EveryAnswer(RowFunction(row), ExampleCall(row)))
            EXPECT_EQ(answer, expected) << engine << ": " << row.example;
    }
}

// A NULL argument gives NULL, but for the signature String(String, String),
// whose NULL previous name reads as the empty one.
TEST_F(Engines, NullArgumentsGetTheirSignaturesDefault) {
    for (const support::TableRow &row : support::kTableRows) {
        const Function f = RowFunction(row);
        const Call example = ExampleCall(row);
        for (std::size_t p = 0; p < example.texts.size(); ++p) {
            Call null = example, empty = example;
            null.nulls.assign(example.texts.size(), false);
            null.nulls[p] = true;
            empty.texts[p] = "";
            const bool readsEmpty = row.Signature() == "String(String, String)" && p == 0;
            const std::vector<std::pair<std::string, std::string>> answers = EveryAnswer(f, null);
            for (std::size_t i = 0; i < answers.size(); ++i) {
                const std::string expected = readsEmpty ? EveryAnswer(f, empty)[i].second : "(null)";
                EXPECT_EQ(answers[i].second, expected)
                    << answers[i].first << ": " << row.name << ", NULL argument " << p + 1;
            }
        }
    }
}

// The catalog entries the function table asks for: for each row, one
// function per combination of the SQL types of its parameters, named by
// the row's parameter names, immutable, parallel safe, strict but for
// String(String, String), and described by its call and summary.
std::vector<std::string> ExpectedCatalog() {
    std::vector<std::string> expected;
    for (const support::TableRow &row : support::kTableRows) {
        std::vector<std::string> lists = {""};
        std::vector<std::string> names;
        const std::string nameList = row.names;
        for (std::size_t at = 0; at <= nameList.size();) {
            const std::size_t comma = std::min(nameList.find(", ", at), nameList.size());
            names.push_back(nameList.substr(at, comma - at));
            at = comma + 2;
        }
        const std::vector<std::string> types = row.ParameterTypes();
        for (std::size_t p = 0; p < types.size(); ++p) {
            const std::vector<const char *> sql =
                types[p] == "Number" ? std::vector<const char *>{"numeric", "double precision", "bigint"}
                                     : std::vector<const char *>{"text"};
            std::vector<std::string> longer;
            for (const std::string &list : lists)
                for (const char *type : sql) longer.push_back(list + (p == 0 ? "" : ", ") + names[p] + " " + type);
            lists = longer;
        }
        std::string lower = row.name;
        std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
        const std::string flags = row.Signature() == "String(String, String)" ? " i s f " : " i s t ";
        const std::string description = std::string(row.name) + "(" + row.descriptions + "): " + row.summary;
        for (const std::string &list : lists) expected.push_back(lower + "(" + list + ")" + flags + description);
    }
    std::sort(expected.begin(), expected.end());
    return expected;
}

// The extension's functions as the catalog holds them, in the same form.
std::vector<std::string> Catalog(PGconn *pg) {
    PGresult *r = PQexec(pg,
                         "SELECT p.proname || '(' || pg_get_function_identity_arguments(p.oid) || ') '"
                         " || p.provolatile::text || ' ' || p.proparallel::text || ' '"
                         " || CASE WHEN p.proisstrict THEN 't' ELSE 'f' END || ' '"
                         " || coalesce(obj_description(p.oid, 'pg_proc'), '(no description)')"
                         "  FROM pg_proc p JOIN pg_depend d ON d.objid = p.oid"
                         "  JOIN pg_extension e ON e.oid = d.refobjid AND e.extname = 'qelrpt'");
    std::vector<std::string> catalog;
    if (PQresultStatus(r) != PGRES_TUPLES_OK) catalog.emplace_back(PQerrorMessage(pg));
    for (int i = 0; PQresultStatus(r) == PGRES_TUPLES_OK && i < PQntuples(r); ++i)
        catalog.emplace_back(PQgetvalue(r, i, 0));
    PQclear(r);
    std::sort(catalog.begin(), catalog.end());
    return catalog;
}

// One statement whose result is not looked at; its error, or "".
std::string Execute(PGconn *pg, const std::string &sql) {
    PGresult *r = PQexec(pg, sql.c_str());
    const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK || PQresultStatus(r) == PGRES_TUPLES_OK;
    PQclear(r);
    return ok ? "" : PQerrorMessage(pg);
}

// A fresh install, and a database updated from each older release, hold
// what the table asks for.
TEST_F(Engines, CatalogFollowsTheTable) {
    EXPECT_EQ(Catalog(pg), ExpectedCatalog()) << "a fresh install";
    // The releases before this one, as the build found their scripts.
    std::vector<std::string> older;
    const char *list = std::getenv("QELRPT_PG_OLDER_VERSIONS");
    for (std::istringstream words(list != nullptr ? list : ""); words;) {
        std::string version;
        if (words >> version) older.push_back(version);
    }
    EXPECT_FALSE(older.empty()) << "no older release to update from";
    for (const std::string &version : older) {
        ASSERT_EQ(Execute(pg, "DROP EXTENSION qelrpt"), "");
        ASSERT_EQ(Execute(pg, "CREATE EXTENSION qelrpt VERSION '" + version + "'"), "");
        ASSERT_EQ(Execute(pg, "ALTER EXTENSION qelrpt UPDATE"), "");
        EXPECT_EQ(Catalog(pg), ExpectedCatalog()) << "updated from " << version;
    }
}

}  // namespace
