-- The qelrpt extension in SQLite: its answers, NULLs, the 255-byte bound,
-- the Number types, invalid input, and use in an index and a generated
-- column.  Run by run-sqlite.sh after `.load libqelrpt_sqlite`.
.headers on
.mode list
.nullvalue (null)

-- Each function, with the examples a designer sees in the formula editor.
SELECT '[' || QELIndentTagHier('A\B\C', 'A\E\F') || ']' AS hier_sibling,
       '[' || QELIndentTagHier('', 'A\B\C') || ']' AS hier_first,
       '[' || QELIndentTagHier('A\B\C', 'A\B\D') || ']' AS hier_leaf_only,
       '[' || QELIndentTagHier('A\BC', 'A\B.X') || ']' AS hier_dot;
SELECT '[' || QELIndentTagName('A\B\C') || ']' AS leaf, '[' || QELIndentTagName('A.B\C') || ']' AS dotted,
       QELIndentTagName('Tag') AS plain;
SELECT QELRemoveTagName('A\B.C') AS parent, '[' || QELRemoveTagName('Tag') || ']' AS none,
       QELRemoveTagName('A\') AS trailing;
SELECT QELPatternMatch('abc', 'a%c'), QELPatternMatch('abcbc', '*bc'), QELPatternMatch('ab', '*%%%'),
       QELPatternMatch('Plant1\Area3\Pump07.Speed', 'Plant1\*\Pump%%.*'), qelpatternmatch('abc', 'ABC');

-- Numbers: INTEGER, REAL and decimal TEXT carry the formula value, as the
-- report passes it (100 times, then the library's 0.01).
SELECT '[' || QELNumberFootPrint(853.05) || ']' AS real_value, '[' || QELNumberFootPrint('853.05') || ']' AS text_value,
       '[' || QELNumberFootPrint(853) || ']' AS integer_value;
SELECT QELNumberFootPrint(123.45) AS a, QELNumberFootPrint(12345.67) AS c, QELNumberFootPrint(-0.0001) AS d,
       QELNumberFootPrint('1e-400') AS tiny, QELNumberFootPrint(1.7e306) AS large_real,
       QELNumberFootPrint('-Infinity') AS minus_inf, QELNumberFootPrint(9223372036854775807) AS max_integer;
-- A decimal text of any length: 0.000...0001e503, with 500 zeros, is 100.
SELECT QELNumberFootPrint('0.' || replace(printf('%500s', ''), ' ', '0') || '1e503') AS long_text;
-- A finite number whose hundredfold is beyond the range of a double is an
-- error, never an infinity, and no flag answers for it.
SELECT QELNumberFootPrint(1.8e306);
SELECT QELNumberFootPrint('1e400');
SELECT QELAlarmFlagSet(1e308);
SELECT QELLogFlagSet(1.7976931348623157e308);
SELECT column1 AS v, QELAlarmFlagSet(column1) AS alarm, QELLogFlagSet(column1) AS log
  FROM (VALUES (0), (1), (2), (3), (1.49), (1.5), (2.5), (-1.5), (4294967295), (4294967296), ('3'));

-- NULL gives NULL, except the previous name of QELIndentTagHier, which
-- reads as the empty one: lag() works on the first row.
SELECT QELIndentTagHier(NULL, 'A\B') AS null_previous, QELIndentTagHier('A', NULL) AS null_name,
       QELIndentTagName(NULL), QELRemoveTagName(NULL), QELNumberFootPrint(NULL), QELAlarmFlagSet(NULL),
       QELLogFlagSet(NULL), QELPatternMatch(NULL, '*'), QELPatternMatch('a', NULL);
SELECT name, QELIndentTagHier(lag(name) OVER (ORDER BY name), name) AS headers
  FROM (SELECT 'P\A\X' AS name UNION ALL SELECT 'P\A\Y' UNION ALL SELECT 'P\B\Z' UNION ALL SELECT 'Q') ORDER BY name;

-- The bound: a result is at most 255 bytes and ends before a character
-- that the bound would cut.
WITH t(e2, e3) AS (SELECT replace(printf('%200s', ''), ' ', 'é'), replace(printf('%200s', ''), ' ', '€'))
SELECT length(CAST(QELIndentTagName(printf('%300s', 'x')) AS BLOB)) AS ascii_bytes,
       length(CAST(QELIndentTagName('\' || e2) AS BLOB)) AS two_byte_bytes,
       length(CAST(QELIndentTagName('\\' || e3) AS BLOB)) AS three_byte_bytes,
       substr(QELIndentTagName('\\' || e3), -2) AS three_byte_end,
       length(CAST(QELRemoveTagName(e2 || '\x') AS BLOB)) AS parent_bytes
  FROM t;

-- Below the bound a result is returned byte for byte, as the plug-in gives
-- it, even where the name was no valid UTF-8: A, then the lone byte C3.
SELECT hex(QELRemoveTagName(CAST(X'41C35C42' AS TEXT))) AS invalid_utf8;

-- Each function is registered for its number of arguments only.
SELECT QELIndentTagName('a', 'b');
SELECT QELPatternMatch('a');
-- A Number argument that is not a number is an error.
SELECT QELNumberFootPrint('12abc');
SELECT QELNumberFootPrint(' 853');
SELECT QELAlarmFlagSet(x'01');
-- A BLOB is no Number, even when its bytes spell one.
SELECT QELNumberFootPrint(CAST('853.05' AS BLOB));

-- Deterministic and innocuous: usable in an index, a generated column and
-- a view.
CREATE TABLE tags(name TEXT, flags INTEGER, parent TEXT GENERATED ALWAYS AS (QELRemoveTagName(name)) VIRTUAL);
INSERT INTO tags(name, flags) VALUES ('Plant1\Area1\Pump1.Speed', 1), ('Plant1\Area1\Pump2.Speed', 2);
CREATE INDEX tags_alarm ON tags(QELAlarmFlagSet(flags));
CREATE VIEW alarms AS SELECT name, parent FROM tags WHERE QELAlarmFlagSet(flags);
SELECT * FROM alarms;
EXPLAIN QUERY PLAN SELECT name FROM tags WHERE QELAlarmFlagSet(flags) = 1;
