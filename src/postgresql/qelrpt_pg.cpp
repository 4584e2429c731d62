// The formula functions as PostgreSQL functions: the C module of the
// extension qelrpt (CREATE EXTENSION qelrpt), built from the function table
// (table/function_table.h).  qelrpt--1.0.sql declares the SQL functions.
//
// Each row becomes the C function qelrpt_ and its formula name; the adapter that
// the row's signature chooses reads the arguments, runs the row's worker
// and returns the SQL result:
//   - the functions are STRICT (a NULL argument gives NULL), except
//     QELIndentTagHier, whose NULL previous name reads as the empty text;
//   - a Number parameter is declared for numeric, double precision and
//     bigint; each carries the formula value (values/values.h), and a
//     number whose hundredfold is beyond the range of a double is an
//     error;
//   - a text result that reaches the library's 255-byte bound ends before
//     a character the bound cut into, in the database's encoding.
// The functions keep no state and are IMMUTABLE PARALLEL SAFE.
// The module is built with hidden symbols; what PostgreSQL looks up (the
// magic block, the functions and their info records) is marked visible.
#define PGDLLEXPORT __attribute__((visibility("default")))
extern "C" {
#include <postgres.h>
// Included after postgres.h, as PostgreSQL requires.
#include <catalog/pg_type_d.h>
#include <fmgr.h>
#include <mb/pg_wchar.h>
#include <utils/builtins.h>
#include <utils/numeric.h>
}

#include <cstddef>
#include <cstring>

#include "table/function_table.h"
#include "values/values.h"

extern "C" {
PG_MODULE_MAGIC;
}

namespace qelrpt {
namespace {

// A text argument as a NUL-terminated string: in `local` when it fits,
// else in memory of the call's context.
constexpr std::size_t LocalText = 1024;
const char *TextArgument(FunctionCallInfo fcinfo, int n, char (&local)[LocalText]) {
    const text *value = PG_GETARG_TEXT_PP(n);
    const auto len = static_cast<std::size_t>(VARSIZE_ANY_EXHDR(value));
    if (len >= LocalText) return text_to_cstring(value);
    std::memcpy(local, VARDATA_ANY(value), len);
    local[len] = '\0';
    return local;
}

// A worker's text as the SQL result: one that reached the library's bound
// ends before a character the bound cut into, in the database's encoding.
Datum TextResult(const char *out, std::size_t len) {
    if (len + 1 >= TextBufferSize)
        len = static_cast<std::size_t>(pg_mbcliplen(out, static_cast<int>(len), static_cast<int>(len)));
    PG_RETURN_TEXT_P(cstring_to_text_with_len(out, static_cast<int>(len)));
}

// Number argument `n`, scaled as a host passes it, by its SQL type; an
// error when its hundredfold is beyond the range of a double.
double NumberArgument(FunctionCallInfo fcinfo, int n) {
    const Oid type = get_fn_expr_argtype(fcinfo->flinfo, n);
    double value = 0;
    if (type == INT8OID) return HundredfoldOfInteger(PG_GETARG_INT64(n));
    if (type == FLOAT8OID) {
        const double given = PG_GETARG_FLOAT8(n);
        if (HundredfoldOfDouble(given, &value) == NumberReading::Read) return value;
        ereport(ERROR, (errcode(ERRCODE_NUMERIC_VALUE_OUT_OF_RANGE),
                        errmsg("qelrpt: 100 times %s is beyond the range of a double",
                               DatumGetCString(DirectFunctionCall1(float8out, Float8GetDatum(given))))));
    }
    if (type != NUMERICOID)
        ereport(ERROR, (errmsg("qelrpt: a Number argument must be numeric, double precision or bigint")));
    const char *text = DatumGetCString(DirectFunctionCall1(numeric_out, PG_GETARG_DATUM(n)));
    const NumberReading reading = ReadHundredfold(text, Specials::Accepted, &value);
    if (reading == NumberReading::BeyondRange)
        ereport(ERROR, (errcode(ERRCODE_NUMERIC_VALUE_OUT_OF_RANGE),
                        errmsg("qelrpt: 100 times %s is beyond the range of a double",
                               numeric_out_sci(PG_GETARG_NUMERIC(n), 3))));
    if (reading != NumberReading::Read)
        ereport(ERROR, (errmsg("qelrpt: numeric value \"%.60s\" has no decimal form", text)));
    return value;
}

// The adapter of signature S over `worker`.
template <class S, typename WorkerFor<S>::type worker>
struct PgAdapter;

template <typename WorkerFor<String(String)>::type worker>
struct PgAdapter<String(String), worker> {
    static Datum Call(FunctionCallInfo fcinfo) {
        char local[LocalText];
        char out[TextBufferSize];
        return TextResult(out, worker(TextArgument(fcinfo, 0, local), out));
    }
};

// Not STRICT: the name alone decides whether there is a result.
template <typename WorkerFor<String(String, String)>::type worker>
struct PgAdapter<String(String, String), worker> {
    static Datum Call(FunctionCallInfo fcinfo) {
        if (PG_ARGISNULL(1)) PG_RETURN_NULL();
        char previousLocal[LocalText];
        char currentLocal[LocalText];
        const char *previous = PG_ARGISNULL(0) ? "" : TextArgument(fcinfo, 0, previousLocal);
        const char *current = TextArgument(fcinfo, 1, currentLocal);
        char out[TextBufferSize];
        return TextResult(out, worker(previous, current, out));
    }
};

template <typename WorkerFor<String(Number)>::type worker>
struct PgAdapter<String(Number), worker> {
    static Datum Call(FunctionCallInfo fcinfo) {
        char out[FootprintBufferSize];
        return TextResult(out, worker(NumberArgument(fcinfo, 0) * NumberScale, out));
    }
};

template <typename WorkerFor<Boolean(Number)>::type worker>
struct PgAdapter<Boolean(Number), worker> {
    static Datum Call(FunctionCallInfo fcinfo) { PG_RETURN_BOOL(worker(NumberArgument(fcinfo, 0) * NumberScale) != 0); }
};

template <typename WorkerFor<Boolean(String, String)>::type worker>
struct PgAdapter<Boolean(String, String), worker> {
    static Datum Call(FunctionCallInfo fcinfo) {
        char firstLocal[LocalText];
        char secondLocal[LocalText];
        const char *first = TextArgument(fcinfo, 0, firstLocal);
        const char *second = TextArgument(fcinfo, 1, secondLocal);
        PG_RETURN_BOOL(worker(first, second) != 0);
    }
};

}  // namespace
}  // namespace qelrpt

// One C function per row, qelrpt_ and the row's formula name.
extern "C" {
#define QELRPT_PG_FUNCTION(name, entry, result, params, worker, ...) \
    PG_FUNCTION_INFO_V1(qelrpt_##name);                              \
    PGDLLEXPORT Datum qelrpt_##name(PG_FUNCTION_ARGS) {              \
        using namespace qelrpt;                                      \
        return PgAdapter<result params, worker>::Call(fcinfo);       \
    }
QELRPT_FUNCTION_TABLE(QELRPT_PG_FUNCTION)
#undef QELRPT_PG_FUNCTION
}
