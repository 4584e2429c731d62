// The formula functions as SQLite functions: a loadable extension built
// from the function table (table/function_table.h).
//
//   .load path/to/libqelrpt_sqlite          (sqlite3 shell)
//   SELECT load_extension('path/to/libqelrpt_sqlite');
//   SELECT QELIndentTagHier('A\B\C', 'A\E\F');      -- '    E'
//
// Each row becomes a function of its formula name and its number of
// parameters, registered SQLITE_UTF8 | SQLITE_DETERMINISTIC |
// SQLITE_INNOCUOUS, so it may be used in indexes, generated columns and
// views.  The adapter that the row's signature chooses reads SQLite
// values, runs the row's worker and sets the SQL result:
//   - a NULL argument gives NULL, except the previous name of
//     String(String, String), which reads as the empty text;
//   - a Number argument is an INTEGER, a REAL or a TEXT holding a decimal
//     number of any length (values/values.h); a BLOB, a TEXT that is no
//     number, and a number whose hundredfold is beyond the range of a
//     double are errors;
//   - a Boolean result is 0 or 1;
//   - a text result that reaches the library's 255-byte bound ends before
//     a character the bound cut into; a shorter one is returned as the
//     worker wrote it, byte for byte.
#include <sqlite3ext.h>

#include <cstddef>
#include <string_view>

#include "table/function_table.h"
#include "values/values.h"

SQLITE_EXTENSION_INIT1

namespace qelrpt {
namespace {

// A text argument, or null for NULL.
const char *TextArgument(sqlite3_value *value) { return reinterpret_cast<const char *>(sqlite3_value_text(value)); }

// Sets the text result of a worker.
void ResultText(sqlite3_context *context, const char *text, std::size_t len) {
    sqlite3_result_text(context, text, static_cast<int>(ResultLength(text, len, TextBufferSize)), SQLITE_TRANSIENT);
}

// Sets the error of a Number argument whose hundredfold no double holds,
// naming the value (its first 60 bytes).
void BeyondRangeError(sqlite3_context *context, sqlite3_value *value) {
    char *message = sqlite3_mprintf("qelrpt: 100 times %.60s is beyond the range of a double",
                                    reinterpret_cast<const char *>(sqlite3_value_text(value)));
    sqlite3_result_error(context, message != nullptr ? message : "qelrpt: a Number is beyond the range", -1);
    sqlite3_free(message);
}

// The scaled Number argument: false, with the context's result set (NULL
// or an error), when there is none.  The type is taken before the value is
// read, so that a BLOB is never read as text.
bool NumberArgument(sqlite3_context *context, sqlite3_value *value, double *out) {
    NumberReading reading = NumberReading::NotANumber;
    switch (sqlite3_value_type(value)) {
        case SQLITE_INTEGER:
            *out = HundredfoldOfInteger(sqlite3_value_int64(value));
            return true;
        case SQLITE_FLOAT:
            reading = HundredfoldOfDouble(sqlite3_value_double(value), out);
            break;
        case SQLITE_TEXT: {
            const char *text = TextArgument(value);
            const auto len = static_cast<std::size_t>(sqlite3_value_bytes(value));
            reading = ReadHundredfold(std::string_view(text, len), Specials::Accepted, out);
            break;
        }
        case SQLITE_NULL:
            sqlite3_result_null(context);
            return false;
        default:
            break;
    }
    if (reading == NumberReading::Read) return true;
    if (reading == NumberReading::BeyondRange) {
        BeyondRangeError(context, value);
    } else {
        sqlite3_result_error(context, "qelrpt: a Number argument must be a number or a decimal text", -1);
    }
    return false;
}

// The adapter of signature S over `worker`.
template <class S, typename WorkerFor<S>::type worker>
struct SqliteAdapter;

template <typename WorkerFor<String(String)>::type worker>
struct SqliteAdapter<String(String), worker> {
    static void Call(sqlite3_context *context, int /*argc*/, sqlite3_value **argv) {
        const char *name = TextArgument(argv[0]);
        if (name == nullptr) return sqlite3_result_null(context);
        char text[TextBufferSize];
        ResultText(context, text, worker(name, text));
    }
};

template <typename WorkerFor<String(String, String)>::type worker>
struct SqliteAdapter<String(String, String), worker> {
    static void Call(sqlite3_context *context, int /*argc*/, sqlite3_value **argv) {
        const char *current = TextArgument(argv[1]);
        if (current == nullptr) return sqlite3_result_null(context);
        const char *previous = TextArgument(argv[0]);
        char text[TextBufferSize];
        ResultText(context, text, worker(previous != nullptr ? previous : "", current, text));
    }
};

template <typename WorkerFor<String(Number)>::type worker>
struct SqliteAdapter<String(Number), worker> {
    static void Call(sqlite3_context *context, int /*argc*/, sqlite3_value **argv) {
        double value = 0;
        if (!NumberArgument(context, argv[0], &value)) return;
        char text[FootprintBufferSize];
        ResultText(context, text, worker(value * NumberScale, text));
    }
};

template <typename WorkerFor<Boolean(Number)>::type worker>
struct SqliteAdapter<Boolean(Number), worker> {
    static void Call(sqlite3_context *context, int /*argc*/, sqlite3_value **argv) {
        double value = 0;
        if (!NumberArgument(context, argv[0], &value)) return;
        sqlite3_result_int(context, worker(value * NumberScale) != 0 ? 1 : 0);
    }
};

template <typename WorkerFor<Boolean(String, String)>::type worker>
struct SqliteAdapter<Boolean(String, String), worker> {
    static void Call(sqlite3_context *context, int /*argc*/, sqlite3_value **argv) {
        const char *first = TextArgument(argv[0]);
        const char *second = TextArgument(argv[1]);
        if (first == nullptr || second == nullptr) return sqlite3_result_null(context);
        sqlite3_result_int(context, worker(first, second) != 0 ? 1 : 0);
    }
};

}  // namespace
}  // namespace qelrpt

// The entry point SQLite derives from the file name libqelrpt_sqlite.
extern "C" __attribute__((visibility("default"))) int sqlite3_qelrptsqlite_init(sqlite3 *db, char ** /*error*/,
                                                                                const sqlite3_api_routines *api) {
    SQLITE_EXTENSION_INIT2(api);
    using namespace qelrpt;
    constexpr int Flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    int rc = SQLITE_OK;
#define QELRPT_SQLITE_FUNCTION(name, entry, result, params, worker, ...)                                          \
    if (rc == SQLITE_OK)                                                                                          \
        rc = sqlite3_create_function_v2(db, #name, static_cast<int>(SignatureParts<result params>::arity), Flags, \
                                        nullptr, SqliteAdapter<result params, worker>::Call, nullptr, nullptr,    \
                                        nullptr);
    QELRPT_FUNCTION_TABLE(QELRPT_SQLITE_FUNCTION)
#undef QELRPT_SQLITE_FUNCTION
    return rc;
}
