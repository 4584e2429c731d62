// qelrpt-gentags: writes a tag listing as CSV (name,value,flags) for trying
// and timing qelrpt-host: a plant of areas, units and their measurements,
// in the scrambled order in which a historian exports its tags.
//
//   qelrpt-gentags [--tags N] [--seed S] [--order ORDER] > tags.csv
//
// N is 1 to 10,000,000.  The command line is read by CLI11 as qelrpt-host's
// is: a bad argument is a usage error and an output that cannot be written
// an error, both with exit status 2.  The output depends only on N and S (default 480 and 1), on
// every system: the numbers are drawn from a generator of our own and
// written digit by digit.  examples/tags.csv is `qelrpt-gentags --tags 480`.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "common/adversary.h"
#include "common/output.h"
#include "common/tool_main.h"

namespace {

// SplitMix64: small, fast and the same everywhere.
class Random {
   public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30U)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27U)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31U);
    }
    // A whole number from `low` to `high`, both included.
    std::int64_t Between(std::int64_t low, std::int64_t high) {
        const auto span = static_cast<std::uint64_t>(high - low) + 1;
        return low + static_cast<std::int64_t>(Next() % span);
    }
    std::size_t Below(std::size_t count) { return static_cast<std::size_t>(Next() % count); }

   private:
    std::uint64_t state_;
};

// How a measurement's values look.
enum class Style {
    Hundredths,  // two decimals, e.g. 1450.25
    Whole,       // a count, e.g. 48211907
    Tiny,        // scientific with a negative exponent, e.g. 3.5e-05
    Huge,        // scientific with a positive exponent, e.g. 1.25e+09
};

struct Measurement {
    const char *suffix;      // appended to the unit's name, separator included
    std::int64_t low, high;  // in hundredths for Hundredths, else see Style
    Style style;
};

struct UnitKind {
    const char *name;
    std::vector<Measurement> measurements;
};

const std::vector<UnitKind> &UnitKinds() {
    static const std::vector<UnitKind> kinds = {
        {"Pump",
         {{".Speed", 0, 300000, Style::Hundredths},
          {".Current", 0, 40000, Style::Hundredths},
          {".Discharge.Pressure", 0, 4000, Style::Hundredths},
          {".Suction.Pressure", -85, 150, Style::Hundredths},
          {".Bearing.Temp", 1500, 9500, Style::Hundredths},
          {".RunHours", 0, 120000, Style::Whole}}},
        {"Valve",
         {{".Position", 0, 10000, Style::Hundredths},
          {".Setpoint", 0, 10000, Style::Hundredths},
          {".Travel.Count", 0, 5000000, Style::Whole}}},
        {"Tank",
         {{".Level", 0, 10000, Style::Hundredths},
          {".Temp", -2500, 9000, Style::Hundredths},
          {".Volume", 0, 25000000, Style::Hundredths},
          {"\\Inlet.Flow", 0, 120000, Style::Hundredths},
          {"\\Outlet.Flow", 0, 120000, Style::Hundredths}}},
        {"Motor",
         {{".Current", 0, 40000, Style::Hundredths},
          {".Voltage", 38000, 42000, Style::Hundredths},
          {".Power", 0, 250000, Style::Hundredths},
          {".Winding.Temp", 2000, 14000, Style::Hundredths},
          {".Vibration", 1, 99, Style::Tiny}}},
        {"HX",
         {{"\\Shell.Inlet.Temp", 2000, 65000, Style::Hundredths},
          {"\\Shell.Outlet.Temp", 2000, 45000, Style::Hundredths},
          {"\\Tube.Inlet.Temp", 500, 3000, Style::Hundredths},
          {"\\Tube.Outlet.Temp", 1500, 8000, Style::Hundredths},
          {".Duty", 1, 99, Style::Huge},
          {".Fouling", 1, 99, Style::Tiny}}},
        {"Compressor",
         {{".Suction.Pressure", -50, 300, Style::Hundredths},
          {".Discharge.Pressure", 500, 4500, Style::Hundredths},
          {".Flow", 0, 900000, Style::Hundredths},
          {".Power", 0, 1500000, Style::Hundredths},
          {"\\Stage1.Temp", 2000, 18000, Style::Hundredths},
          {"\\Stage2.Temp", 2000, 22000, Style::Hundredths}}},
        {"Fan", {{".Speed", 0, 150000, Style::Hundredths}, {".Vibration", 1, 99, Style::Tiny}}},
        {"Conveyor",
         {{".Speed", 0, 500, Style::Hundredths},
          {".Load", 0, 12000, Style::Hundredths},
          {".Count", 0, 99999999, Style::Whole}}},
        {"Analyzer",
         {{".pH", 0, 1400, Style::Hundredths},
          {".Conductivity", 0, 200000, Style::Hundredths},
          {".Turbidity", 0, 4000, Style::Hundredths},
          {".O2", 0, 2100, Style::Hundredths}}},
        {"Screen", {{".Diff.Pressure", 0, 150, Style::Hundredths}, {".Speed", 0, 1200, Style::Hundredths}}},
    };
    return kinds;
}

// The kinds that stand in the areas' unit lists; Screen is kept for the
// screen of the intake named below.
constexpr std::size_t DrawnKinds = 9;
constexpr std::size_t TankKind = 2;
constexpr std::size_t ScreenKind = 9;

const char *const AreaNames[] = {"Intake",    "Filtration", "Boilers", "Turbine",   "Cooling",
                                 "Chemicals", "Storage",    "Mixing",  "Packaging", "Utilities"};
constexpr std::size_t AreaCount = sizeof AreaNames / sizeof AreaNames[0];
constexpr std::size_t AreasPerPlant = 5;
constexpr std::size_t UnitsPerArea = 6;

// Flag words: mostly none, the alarm bit, the log bit or both; now and
// then other bits as well.
std::uint32_t DrawFlags(Random &random) {
    static const std::uint32_t others[] = {4, 5, 6, 7, 8, 11, 16, 19, 64, 66, 256, 259, 1024, 65537, 2147483650U};
    const std::int64_t draw = random.Between(0, 99);
    if (draw < 45) return 0;
    if (draw < 55) return 1;
    if (draw < 80) return 2;
    if (draw < 90) return 3;
    return others[random.Below(sizeof others / sizeof others[0])];
}

std::string Hundredths(std::int64_t hundredths) {
    const bool negative = hundredths < 0;
    const std::uint64_t magnitude =
        negative ? static_cast<std::uint64_t>(-hundredths) : static_cast<std::uint64_t>(hundredths);
    std::string text = (negative ? "-" : "") + std::to_string(magnitude / 100) + ".";
    const std::uint64_t cents = magnitude % 100;
    text += static_cast<char>('0' + cents / 10);
    text += static_cast<char>('0' + cents % 10);
    return text;
}

// m.m followed by an exponent, from two digits of mantissa.
std::string Scientific(std::int64_t mantissa, int exponent) {
    const auto digits = static_cast<std::uint64_t>(mantissa);
    std::string text = std::to_string(digits / 10) + "." + std::to_string(digits % 10) + "e";
    text += exponent < 0 ? "-" : "+";
    const int magnitude = exponent < 0 ? -exponent : exponent;
    if (magnitude < 10) text += "0";
    return text + std::to_string(magnitude);
}

std::string DrawValue(const Measurement &measurement, Random &random) {
    const std::int64_t draw = random.Between(measurement.low, measurement.high);
    switch (measurement.style) {
        case Style::Hundredths:
            return Hundredths(draw);
        case Style::Whole:
            return std::to_string(draw);
        case Style::Tiny:
            return Scientific(draw < 10 ? draw + 10 : draw, -static_cast<int>(random.Between(3, 7)));
        case Style::Huge:
            return Scientific(draw < 10 ? draw + 10 : draw, static_cast<int>(random.Between(6, 9)));
    }
    return "0";
}

// A name as one CSV field: in quotes when it holds a comma, quote or line
// break, with each quote written twice.
std::string CsvField(const std::string &text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string field = "\"";
    for (const char c : text) {
        if (c == '"') field += '"';
        field += c;
    }
    return field + "\"";
}

std::string TwoDigits(std::size_t n) { return (n < 10 ? "0" : "") + std::to_string(n); }

// The most tags one run writes.
constexpr std::size_t MaxTags = 10000000;

// The orders the tags can be written in.
enum class Order {
    Shuffled,     // as a historian exports them: anything but sorted
    Sorted,       // by name, byte for byte
    OrganPipe,    // every other name ascending, then the rest descending:
                  // a sorted export with a reversed one appended
    Adversarial,  // the order McIlroy's adversary builds against a
                  // median-of-three quicksort (std::sort's)
};

struct Arguments {
    std::size_t count = 480;
    std::uint64_t seed = 1;
    Order order = Order::Shuffled;
    bool shortNames = false;  // T0000000, T0000001...: eight bytes, all different
};

// One tag: its name, and the rest of its line of CSV (",value,flags").
struct Row {
    std::string name, rest;
};

// A whole number in decimal digits only, from `low` to `high`.
std::optional<std::uint64_t> ParseWhole(std::string_view text, std::uint64_t low, std::uint64_t high) {
    std::uint64_t value = 0;
    const char *end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end || value < low || value > high) return std::nullopt;
    return value;
}

// A CLI11 option of a whole number from `low` to `high`, read as digits only
// (no sign, no blanks), with the range in its message.
void AddWhole(CLI::App &app, const char *name, std::uint64_t &value, std::uint64_t low, std::uint64_t high,
              const char *help) {
    const std::string range = "a whole number from " + std::to_string(low) + " to " + std::to_string(high);
    app.add_option_function<std::string>(
           name, [&value, low, high](const std::string &text) { value = ParseWhole(text, low, high).value_or(value); },
           std::string(help) + " (" + std::to_string(low) + " to " + std::to_string(high) + ")")
        ->type_name("N")
        ->check([range, low, high](const std::string &text) {
            return ParseWhole(text, low, high) ? std::string() : range + ", not \"" + text + "\"";
        });
}

void Describe(CLI::App &app, std::uint64_t &count, Arguments &arguments) {
    app.description(
        "Writes a tag listing as CSV (name,value,flags) for trying and timing\n"
        "qelrpt-host: a plant of areas, units and their measurements, in a\n"
        "scrambled order.  The same options always give the same output.");
    app.footer("Exit status: 0 done; 2 usage error, or the output cannot be written.");
    app.set_version_flag("--version", std::string("qelrpt-gentags ") + QELRPT_VERSION_TEXT);
    AddWhole(app, "--tags", count, 1, MaxTags, "how many tags to write (default 480)");
    AddWhole(app, "--seed", arguments.seed, 0, std::numeric_limits<std::uint64_t>::max(),
             "draws another plant (default 1)");
    app.add_option_function<std::string>(
           "--order",
           [&arguments](const std::string &name) {
               arguments.order = name == "sorted"        ? Order::Sorted
                                 : name == "organ-pipe"  ? Order::OrganPipe
                                 : name == "adversarial" ? Order::Adversarial
                                                         : Order::Shuffled;
           },
           "shuffled (default, as a historian exports tags), sorted, organ-pipe (sorted, then a reversed "
           "copy's order) or adversarial (against a median-of-three quicksort): for timing the sort")
        ->type_name("ORDER")
        ->check(CLI::IsMember({"shuffled", "sorted", "organ-pipe", "adversarial"}));
    app.add_flag("--short-names", arguments.shortNames,
                 "names of eight bytes (T0000000, T0000001...), all different, instead of a plant's");
}

// The rows of one area of a plant, until there are `count`.
void AddArea(std::vector<Row> &rows, std::size_t count, std::size_t plant, std::size_t a, Random &random) {
    const std::vector<UnitKind> &kinds = UnitKinds();
    const std::string areaName = AreaNames[(plant + a * 2) % AreaCount];
    const std::string area = "Plant" + std::to_string(plant) + "\\" + areaName;
    std::vector<std::size_t> numbers(kinds.size(), 0);
    for (std::size_t u = 0; u < UnitsPerArea && rows.size() < count; ++u) {
        std::size_t kind = random.Below(DrawnKinds);
        std::string unit = kinds[kind].name + TwoDigits(++numbers[kind]);
        // In the second plant, two units whose names need quoting in CSV.
        if (plant == 2 && u == 0 && areaName == "Storage") {
            kind = TankKind;
            unit = "Silo 3, North";
        } else if (plant == 2 && u == 0 && areaName == "Intake") {
            kind = ScreenKind;
            unit = "Screen \"A\"";
        }
        for (const Measurement &measurement : kinds[kind].measurements) {
            if (rows.size() == count) break;
            std::string name = area;
            name.append("\\").append(unit).append(measurement.suffix);
            std::string rest = "," + DrawValue(measurement, random) + "," + std::to_string(DrawFlags(random));
            rows.push_back({std::move(name), std::move(rest)});
        }
    }
}

// `rows`, sorted, in the order asked for.
std::vector<Row> Reorder(std::vector<Row> rows, Order order) {
    std::stable_sort(rows.begin(), rows.end(), [](const Row &a, const Row &b) { return a.name < b.name; });
    if (order == Order::Sorted) return rows;
    std::vector<Row> reordered;
    reordered.reserve(rows.size());
    if (order == Order::OrganPipe) {
        for (std::size_t i = 0; i < rows.size(); i += 2) reordered.push_back(std::move(rows[i]));
        for (std::size_t i = rows.size() - 1 - rows.size() % 2; i < rows.size(); i -= 2)
            reordered.push_back(std::move(rows[i]));
        return reordered;
    }
    // Item i of the adversary's input holds the value of rank i.
    std::vector<std::size_t> items(rows.size());
    for (std::size_t i = 0; i < items.size(); ++i) items[i] = i;
    qtool::Adversary adversary(items.size());
    std::sort(items.begin(), items.end(), [&adversary](std::size_t x, std::size_t y) { return adversary.Less(x, y); });
    for (const std::size_t rank : adversary.Ranks()) reordered.push_back(std::move(rows[rank]));
    return reordered;
}

// The rows of the listing, in the order asked for.
std::vector<Row> Rows(const Arguments &arguments) {
    Random random(arguments.seed);
    std::vector<Row> rows;
    rows.reserve(arguments.count);
    for (std::size_t plant = 1; rows.size() < arguments.count; ++plant)
        for (std::size_t a = 0; a < AreasPerPlant && rows.size() < arguments.count; ++a)
            AddArea(rows, arguments.count, plant, a, random);
    for (std::size_t i = rows.size(); i > 1; --i) std::swap(rows[i - 1], rows[random.Below(i)]);
    if (arguments.shortNames) {
        char name[32];
        for (std::size_t i = 0; i < rows.size(); ++i) {
            std::snprintf(name, sizeof name, "T%07zu", i);
            rows[i].name = name;
        }
        for (std::size_t i = rows.size(); i > 1; --i) std::swap(rows[i - 1].name, rows[random.Below(i)].name);
    }
    return arguments.order == Order::Shuffled ? rows : Reorder(std::move(rows), arguments.order);
}

void Write(const std::vector<Row> &rows) {
    qtool::Output output(stdout);
    std::string &out = output.Text();
    out = "name,value,flags\n";
    for (const Row &row : rows) {
        out.append(CsvField(row.name)).append(row.rest).push_back('\n');
        output.Spill();
    }
    output.Finish();
}

int Start(CLI::App &app, qtool::Messages & /*messages*/, int argc, char **argv) {
    Arguments arguments;
    std::uint64_t count = arguments.count;
    Describe(app, count, arguments);
    app.parse(argc, argv);
    arguments.count = static_cast<std::size_t>(count);
    Write(Rows(arguments));
    return 0;
}

}  // namespace

int main(int argc, char **argv) { return qtool::Main("qelrpt-gentags", argc, argv, Start); }
