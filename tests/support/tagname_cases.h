// Shared example tables for the tag-name functions, checked both on the
// workers and through the exported entry points.  In the expected texts a
// backslash in a name is written "\\" and a line feed "\n".
#ifndef QELRPT_TESTS_TAGNAME_CASES_H
#define QELRPT_TESTS_TAGNAME_CASES_H

namespace cases {

struct HierCase {
    const char *previous;
    const char *current;
    const char *expected;
};

inline constexpr HierCase kHierarchy[] = {
    {"", "A\\B\\C", "A\n    B"},
    {"", "A\\B\\C\\D", "A\n    B\n        C"},
    {"A\\B\\C", "A\\B\\D", ""},
    {"A\\B\\C", "A\\E\\F", "    E"},
    {"A\\B", "X\\Y", "X"},
    {"A\\B", "A\\B", ""},
    {"A\\B", "A\\B\\C", "    B"},
    {"A\\B", "A\\B\\C\\D", "    B\n        C"},
    {"A\\B\\C\\D", "A\\X", ""},
    {"A\\B", "A\\B.X", ""},
    {"A\\BC", "A\\B.X", "    .B"},
    {"A B", "A.B", ""},
    {"", "A.B\\C", ".A\n    B"},
    {"\\A", "\\B\\C", "B"},
    {"Tag", "Tag\\X", "Tag"},
    {"A", "A.B.C", "    .B"},
    {"", ".A\\B", "A"},
    {"A\\BX", "A\\B.X\\Y", "    .B\n        X"},
    {"", "\\A\\B", "    A"},
    {"", "A\\\\B\\C", "A\n    \n        B"},
    // A tab is not a blank: the dot does not split at itself.
    {"A\tB", "A.B\\C", ".A\n    B"},
    {"A B", "A.B\\C", "    B"},
    // The previous name longer than the current one.
    {"A\\B\\C\\D\\E", "A\\B", ""},
    {"A\\B\\C\\D\\E", "A\\B\\Z\\W", "        Z"},
    // Case matters, and high-bit bytes are ordinary characters.
    {"a\\B\\C", "A\\B\\C", "A\n    B"},
    {"\xC4\\\xE9\\x", "\xC4\\\xFC\\y", "    \xFC"},
    // Names without separators have no levels.
    {"", "Tag", ""},
    {"Other", "Tag", ""},
};

struct NameCase {
    const char *name;
    const char *expected;
};

inline constexpr NameCase kIndentLeaf[] = {
    {"A\\B\\C", "        C"},
    {"A\\B.C", "        .C"},
    {"A.B\\C", "        .C"},
    {"Tag", "Tag"},
    {"A\\", "    "},
    {".A", "    .A"},
    {"A\\B C", "    B C"},
    {"", ""},
    {"\\\\", "        "},
    {"A..B", "        .B"},
    {"Plant1\\Area3\\Pump07.Speed", "            .Speed"},
};

inline constexpr NameCase kStripLeaf[] = {
    {"A\\B\\C", "A\\B"},
    {"A\\B.C", "A\\B"},
    {"A.B\\C", "A.B"},
    {"Tag", ""},
    {"A\\", "A"},
    {"\\A", ""},
    {"", ""},
    {"A\\\\", "A\\"},
    {"Plant1\\Area3\\Pump07.Speed", "Plant1\\Area3\\Pump07"},
};

}  // namespace cases

#endif
