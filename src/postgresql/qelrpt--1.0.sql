-- The QEL formula functions, version 1.0: one SQL function per row of the
-- library's function table, named as a formula author writes it (SQL folds
-- the names to lower case: QELIndentTagHier and qelindenttaghier are one).
-- A Number parameter takes numeric, double precision or bigint.

\echo Use "CREATE EXTENSION qelrpt" to load this file. \quit

-- Not STRICT: a NULL previous name reads as the empty text.
CREATE FUNCTION QELIndentTagHier(previous text, name text) RETURNS text
    AS 'MODULE_PATHNAME', 'qelrpt_QELIndentTagHier' LANGUAGE C IMMUTABLE PARALLEL SAFE;

CREATE FUNCTION QELIndentTagName(name text) RETURNS text
    AS 'MODULE_PATHNAME', 'qelrpt_QELIndentTagName' LANGUAGE C IMMUTABLE STRICT PARALLEL SAFE;

CREATE FUNCTION QELRemoveTagName(name text) RETURNS text
    AS 'MODULE_PATHNAME', 'qelrpt_QELRemoveTagName' LANGUAGE C IMMUTABLE STRICT PARALLEL SAFE;

CREATE FUNCTION QELNumberFootPrint(value numeric) RETURNS text
    AS 'MODULE_PATHNAME', 'qelrpt_QELNumberFootPrint' LANGUAGE C IMMUTABLE STRICT PARALLEL SAFE;
CREATE FUNCTION QELNumberFootPrint(value double precision) RETURNS text
    AS 'MODULE_PATHNAME', 'qelrpt_QELNumberFootPrint' LANGUAGE C IMMUTABLE STRICT PARALLEL SAFE;
CREATE FUNCTION QELNumberFootPrint(value bigint) RETURNS text
    AS 'MODULE_PATHNAME', 'qelrpt_QELNumberFootPrint' LANGUAGE C IMMUTABLE STRICT PARALLEL SAFE;

CREATE FUNCTION QELAlarmFlagSet(flags numeric) RETURNS boolean
    AS 'MODULE_PATHNAME', 'qelrpt_QELAlarmFlagSet' LANGUAGE C IMMUTABLE STRICT PARALLEL SAFE;
CREATE FUNCTION QELAlarmFlagSet(flags double precision) RETURNS boolean
    AS 'MODULE_PATHNAME', 'qelrpt_QELAlarmFlagSet' LANGUAGE C IMMUTABLE STRICT PARALLEL SAFE;
CREATE FUNCTION QELAlarmFlagSet(flags bigint) RETURNS boolean
    AS 'MODULE_PATHNAME', 'qelrpt_QELAlarmFlagSet' LANGUAGE C IMMUTABLE STRICT PARALLEL SAFE;

CREATE FUNCTION QELLogFlagSet(flags numeric) RETURNS boolean
    AS 'MODULE_PATHNAME', 'qelrpt_QELLogFlagSet' LANGUAGE C IMMUTABLE STRICT PARALLEL SAFE;
CREATE FUNCTION QELLogFlagSet(flags double precision) RETURNS boolean
    AS 'MODULE_PATHNAME', 'qelrpt_QELLogFlagSet' LANGUAGE C IMMUTABLE STRICT PARALLEL SAFE;
CREATE FUNCTION QELLogFlagSet(flags bigint) RETURNS boolean
    AS 'MODULE_PATHNAME', 'qelrpt_QELLogFlagSet' LANGUAGE C IMMUTABLE STRICT PARALLEL SAFE;

CREATE FUNCTION QELPatternMatch(candidate text, pattern text) RETURNS boolean
    AS 'MODULE_PATHNAME', 'qelrpt_QELPatternMatch' LANGUAGE C IMMUTABLE STRICT PARALLEL SAFE;
