-- The qelrpt extension in PostgreSQL: its answers, NULLs, the 255-byte
-- bound in a UTF-8 database, invalid input, the Number types and a
-- parallel plan.
\pset null '(null)'

-- Each function, with the examples a designer sees in the formula editor.
SELECT QELIndentTagHier('A\B\C', 'A\E\F') AS hier_sibling,
       QELIndentTagHier('', 'A\B\C') AS hier_first,
       QELIndentTagHier('A\B\C', 'A\B\D') AS hier_leaf_only,
       QELIndentTagHier('A\BC', 'A\B.X') AS hier_dot;
SELECT QELIndentTagName('A\B\C') AS leaf, QELIndentTagName('A.B\C') AS dotted, QELIndentTagName('Tag') AS plain;
SELECT QELRemoveTagName('A\B.C') AS parent, QELRemoveTagName('Tag') AS none, QELRemoveTagName('A\') AS trailing;
SELECT QELPatternMatch('abc', 'a%c'), QELPatternMatch('abcbc', '*bc'), QELPatternMatch('ab', '*%%%'),
       QELPatternMatch('Plant1\Area3\Pump07.Speed', 'Plant1\*\Pump%%.*'), QELPatternMatch('abc', 'ABC');

-- Numbers: the formula value of numeric, double precision and bigint, as
-- the report passes it (100 times, then the library's 0.01).
SELECT '[' || QELNumberFootPrint(853.05) || ']' AS numeric_value,
       '[' || QELNumberFootPrint(853.05::double precision) || ']' AS double_value,
       '[' || QELNumberFootPrint(853::bigint) || ']' AS bigint_value,
       '[' || QELNumberFootPrint(853) || ']' AS integer_value;
SELECT QELNumberFootPrint(123.45) AS a, QELNumberFootPrint(1) AS b, QELNumberFootPrint(12345.67) AS c,
       QELNumberFootPrint(-0.0001) AS d, QELNumberFootPrint(1e-400) AS tiny, QELNumberFootPrint(1.7e306) AS large;
SELECT QELNumberFootPrint('NaN'::numeric) AS nan, QELNumberFootPrint('Infinity'::double precision) AS inf,
       QELNumberFootPrint('-Infinity'::numeric) AS minus_inf;
-- A finite number whose hundredfold is beyond the range of a double is an
-- error, never an infinity, and no flag answers for it.
SELECT QELNumberFootPrint(1.8e306);
SELECT QELNumberFootPrint(1e400);
SELECT QELNumberFootPrint(1.7976931348623157e308::double precision);
SELECT QELAlarmFlagSet(1e308::double precision);
SELECT QELAlarmFlagSet(('1' || repeat('0', 1000))::numeric);
SELECT v, QELAlarmFlagSet(v) AS alarm, QELLogFlagSet(v) AS log
  FROM (VALUES (0::numeric), (1), (2), (3), (1.49), (1.5), (2.5), (-1.5), (4294967295), (4294967296)) AS t(v);
SELECT QELAlarmFlagSet(3::bigint), QELLogFlagSet(2::double precision), QELAlarmFlagSet(1.49::double precision);

-- NULL gives NULL, except the previous name of QELIndentTagHier, which
-- reads as the empty one: lag() works on the first row.
SELECT QELIndentTagHier(NULL, 'A\B\C') AS null_previous, QELIndentTagHier('A', NULL) AS null_name,
       QELIndentTagName(NULL), QELRemoveTagName(NULL), QELNumberFootPrint(NULL::numeric),
       QELAlarmFlagSet(NULL::bigint), QELLogFlagSet(NULL::double precision),
       QELPatternMatch(NULL, '*'), QELPatternMatch('a', NULL);
SELECT name, QELIndentTagHier(lag(name) OVER (ORDER BY name COLLATE "C"), name) AS headers
  FROM (VALUES ('P\A\X'), ('P\A\Y'), ('P\B\Z'), ('Q')) AS t(name) ORDER BY name COLLATE "C";

-- The bound: a result is at most 255 bytes, and in a UTF-8 database it
-- ends before a character that the bound would cut.
SELECT octet_length(QELIndentTagName(repeat('x', 300))) AS ascii_bytes,
       octet_length(QELIndentTagName('\' || repeat('é', 200))) AS two_byte_bytes,
       octet_length(QELIndentTagName('\\' || repeat('€', 200))) AS three_byte_bytes,
       right(QELIndentTagName('\\' || repeat('€', 200)), 2) AS three_byte_end,
       octet_length(QELRemoveTagName(repeat('é', 200) || '\x')) AS parent_bytes,
       octet_length(QELIndentTagHier('', repeat('ab\', 100) || 'c')) AS hier_bytes;

-- Invalid input is refused by the types, before the library is called:
-- PostgreSQL holds no text that is invalid in the database's encoding.
SELECT QELNumberFootPrint('12abc');
SELECT QELAlarmFlagSet('x'::numeric);
SELECT QELIndentTagName(convert_from('\xc328'::bytea, 'UTF8'));
SELECT QELRemoveTagName(convert_from('\x41c35c42'::bytea, 'UTF8'));

-- A parallel plan: the functions run in the workers.
CREATE TABLE tags AS
  SELECT format('Plant%s\Area%s\Pump%s.Speed', i % 7, i % 13, i) AS name, i * 1.25 AS value, i % 4 AS flags
    FROM generate_series(1, 20000) AS i;
ANALYZE tags;
SET parallel_setup_cost = 0;
SET parallel_tuple_cost = 0;
SET min_parallel_table_scan_size = 0;
SET max_parallel_workers_per_gather = 2;
EXPLAIN (COSTS OFF)
SELECT count(*) FROM tags
 WHERE QELPatternMatch(name, 'Plant1\*\Pump%%.*') AND QELAlarmFlagSet(flags)
   AND QELNumberFootPrint(value) <> QELIndentTagName(name);
-- The same count in parallel and in one process.
CREATE TABLE parallel_count AS
SELECT count(*) FROM tags
 WHERE QELPatternMatch(name, 'Plant1\*\Pump%%.*') AND QELAlarmFlagSet(flags)
   AND QELNumberFootPrint(value) <> QELIndentTagName(name);
SET max_parallel_workers_per_gather = 0;
SELECT p.count AS parallel, s.count AS serial
  FROM parallel_count p,
       (SELECT count(*) FROM tags
         WHERE QELPatternMatch(name, 'Plant1\*\Pump%%.*') AND QELAlarmFlagSet(flags)
           AND QELNumberFootPrint(value) <> QELIndentTagName(name)) s;
RESET max_parallel_workers_per_gather;

-- An index on a function: the functions are immutable.
CREATE INDEX tags_parent ON tags (QELRemoveTagName(name));
SET enable_seqscan = off;
EXPLAIN (COSTS OFF) SELECT name FROM tags WHERE QELRemoveTagName(name) = 'Plant1\Area1\Pump1';
SELECT name FROM tags WHERE QELRemoveTagName(name) = 'Plant1\Area1\Pump1';
RESET enable_seqscan;

-- Upgrades: the extension is at its newest version.
SELECT extversion FROM pg_extension WHERE extname = 'qelrpt';
ALTER EXTENSION qelrpt UPDATE;

DROP EXTENSION qelrpt CASCADE;
