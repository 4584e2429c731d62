// The COM library's answers: generated calls against the C plug-in in this
// process, the text rule's cases for this process's ANSI code page, null
// and empty BSTRs, surrogates without their partner, Numbers at the edges
// of the double range, and calls from several threads at once.
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "abi/engine.h"
#include "client.h"
#include "com_ids.h"
#include "support/generated_calls.h"

namespace client {
namespace {

// Pieces beyond the SQL differential's: characters of code page 932 (a
// double-byte character whose second byte is `\`, ソ and 表, and the
// single-byte ｱ), characters of neither 1252 nor 932, and a character
// outside the Basic Multilingual Plane (a surrogate pair).
std::vector<std::string> BeyondPieces() {
    return {"Plant", "A", "\\", "\\", ".", " ", "é", "€", "丁", "日本", "ソ", "表", "ｱ", "😀", "x"};
}

// Compares `count` generated calls of every row with the plug-in; returns
// the number of differences, the first ones reported.
std::size_t Differences(support::CallGenerator &g, std::size_t count, std::size_t *calls) {
    std::size_t differences = 0;
    for (const support::TableRow &row : support::kTableRows) {
        for (const std::vector<std::string> &texts :
             support::GeneratedCalls(row.name, row.ParameterTypes(), g, count)) {
            const std::wstring expected = PluginAnswer(row, texts);
            const std::wstring answer = Call(row.name, ComArgs(row, texts));
            ++*calls;
            if (answer == expected) continue;
            if (++differences <= 10) {
                std::string shown;
                for (const std::string &t : texts) shown += (shown.empty() ? "" : ", ") + Shown(Wide(t, CP_UTF8));
                ADD_FAILURE() << row.name << "(" << shown << "): COM [" << Shown(answer) << "], plug-in ["
                              << Shown(expected) << "]";
            }
        }
    }
    return differences;
}

TEST_F(Com, GeneratedCallsAgreeWithThePlugin) {
    std::size_t sqlCalls = 0, beyondCalls = 0;
    support::CallGenerator sqlSet;
    const std::size_t differences = Differences(sqlSet, 300, &sqlCalls);
    support::CallGenerator beyondSet(BeyondPieces());
    const std::size_t beyond = Differences(beyondSet, 200, &beyondCalls);
    std::printf(
        "COM differential (ANSI code page %u): %zu calls of the SQL differential's set, %zu differences; "
        "%zu calls with characters beyond it, %zu differences\n",
        GetACP(), sqlCalls, differences, beyondCalls, beyond);
    EXPECT_GE(sqlCalls, 2000U);
    EXPECT_EQ(differences, 0U);
    EXPECT_EQ(beyond, 0U);
}

// ---- The text rule ----

struct RuleCase {
    const char *function;
    std::vector<ComArg> args;
    std::wstring answer;
    const char *why;
};

std::wstring Units(std::initializer_list<unsigned> units) {
    std::wstring text;
    for (const unsigned u : units) text += static_cast<wchar_t>(u);
    return text;
}

std::wstring Repeat(const std::wstring &piece, std::size_t times) {
    std::wstring text;
    for (std::size_t i = 0; i < times; ++i) text += piece;
    return text;
}

// Cases that hold in every code page.
std::vector<RuleCase> AnyPageCases() {
    const std::wstring lone = Units({0xD800});
    return {
        {"QELIndentTagName",
         {ComArg::Text(L"A\\" + lone + L"x")},
         L"    " + lone + L"x",
         "a lone surrogate comes back"},
        {"QELRemoveTagName", {ComArg::Text(lone + L"\\B")}, lone, "a lone surrogate comes back"},
        {"QELPatternMatch", {ComArg::Text(lone), ComArg::Text(L"%%%")}, L"True", "a lone surrogate is 3 bytes"},
        {"QELPatternMatch",
         {ComArg::Text(Units({0xD83D, 0xDE00})), ComArg::Text(L"%%%%")},
         L"True",
         "a surrogate pair is one character of 4 bytes"},
        {"QELPatternMatch",
         {ComArg::Text(Units({0xDE00, 0xD83D})), ComArg::Text(L"%%%%%%")},
         L"True",
         "a reversed pair is two lone surrogates"},
        {"QELIndentTagName", {ComArg::Text(std::wstring(L"A\\B\0C\\D", 7))}, L"    B", "a NUL ends the text"},
        {"QELPatternMatch", {ComArg::Null(), ComArg::Text(L"*")}, L"True", "a null BSTR is the empty text"},
        {"QELPatternMatch", {ComArg::Text(L"x"), ComArg::Null()}, L"False", "a null BSTR is the empty text"},
        {"QELIndentTagHier", {ComArg::Null(), ComArg::Text(L"A\\B")}, L"A", "a null BSTR is the empty text"},
        {"QELIndentTagName", {ComArg::Text(Repeat(L"A\\", 100))}, Repeat(L" ", 255), "the bound"},
    };
}

// Code page 1252: é and € are one byte each.
std::vector<RuleCase> WesternCases() {
    const std::wstring e = L"\u00E9", ding = L"\u4E01";
    return {
        {"QELPatternMatch", {ComArg::Text(e), ComArg::Text(L"%")}, L"True", "é is one byte of 1252"},
        {"QELPatternMatch", {ComArg::Text(L"\u20AC"), ComArg::Text(L"%")}, L"True", "€ is one byte of 1252"},
        {"QELPatternMatch", {ComArg::Text(e), ComArg::Text(L"%%")}, L"False", "é is one byte of 1252"},
        {"QELPatternMatch", {ComArg::Text(ding), ComArg::Text(L"%%%")}, L"True", "丁 is not in 1252: 3 bytes of UTF-8"},
        {"QELPatternMatch",
         {ComArg::Text(e + ding), ComArg::Text(L"%%%%%")},
         L"True",
         "a call with 丁 is read in UTF-8, é too"},
        {"QELIndentTagName", {ComArg::Text(Repeat(e, 300))}, Repeat(e, 255), "the bound: 255 bytes of 1252"},
        {"QELIndentTagName",
         {ComArg::Text(Repeat(e, 300) + ding)},
         Repeat(e, 127),
         "the bound: 255 bytes of UTF-8, the character it cut into left out"},
        {"QELRemoveTagName", {ComArg::Text(L"Gr\u00F6\u00DFe\\Wert")}, L"Gr\u00F6\u00DFe", "text of 1252"},
    };
}

// Code page 932: 日 is two bytes, ｱ one; ソ's second byte is `\`.
std::vector<RuleCase> JapaneseCases() {
    const std::wstring nichi = L"\u65E5", so = L"\u30BD";
    return {
        {"QELPatternMatch", {ComArg::Text(nichi), ComArg::Text(L"%%")}, L"True", "日 is two bytes of 932"},
        {"QELPatternMatch", {ComArg::Text(nichi), ComArg::Text(L"%")}, L"False", "日 is two bytes of 932"},
        {"QELPatternMatch", {ComArg::Text(L"\uFF71"), ComArg::Text(L"%")}, L"True", "ｱ is one byte of 932"},
        {"QELPatternMatch",
         {ComArg::Text(nichi + L"\u00E9"), ComArg::Text(L"%%%%%")},
         L"True",
         "é is not in 932: the call is read in UTF-8"},
        {"QELIndentTagName",
         {ComArg::Text(Repeat(nichi, 200))},
         Repeat(nichi, 127),
         "the bound: 255 bytes of 932, the character it cut into left out"},
        {"QELIndentTagName", {ComArg::Text(so + L"B")}, L"    B", "the plug-in reads ソ's second byte as \\"},
        {"QELRemoveTagName",
         {ComArg::Text(L"A" + so)},
         L"",
         "the plug-in's answer would end in half of ソ: answered in UTF-8"},
    };
}

TEST_F(Com, TextRuleCases) {
    std::vector<RuleCase> cases = AnyPageCases();
    const UINT page = GetACP();
    const std::vector<RuleCase> more = page == 1252  ? WesternCases()
                                       : page == 932 ? JapaneseCases()
                                                     : std::vector<RuleCase>{};
    cases.insert(cases.end(), more.begin(), more.end());
    std::printf("text rule: %zu cases for ANSI code page %u\n", cases.size(), page);
    EXPECT_TRUE(page == 1252 || page == 932) << "no cases of code page " << page;
    for (const RuleCase &c : cases)
        EXPECT_EQ(Shown(Call(c.function, c.args)), Shown(c.answer)) << c.function << ": " << c.why;
}

// Every String parameter of every row: a null BSTR answers as the empty
// text does.
TEST_F(Com, NullBstrIsTheEmptyText) {
    for (const support::TableRow &row : support::kTableRows) {
        const std::vector<std::string> types = row.ParameterTypes();
        for (std::size_t p = 0; p < types.size(); ++p) {
            if (types[p] != "String") continue;
            std::vector<ComArg> empty, null;
            for (std::size_t q = 0; q < types.size(); ++q) {
                const ComArg other = types[q] == "Number" ? ComArg::Value(3) : ComArg::Text(L"A\\B.C");
                empty.push_back(q == p ? ComArg::Text(L"") : other);
                null.push_back(q == p ? ComArg::Null() : other);
            }
            EXPECT_EQ(Call(row.name, null), Call(row.name, empty)) << row.name << " parameter " << p + 1;
        }
    }
}

// ---- Numbers ----

// A formula value, and the double the engine passes the C plug-in for it:
// 100 times it, rounded, infinite beyond the range.
struct Edge {
    const char *value;
    const char *hundredfold;
};

TEST_F(Com, NumbersAtTheEdges) {
    const Edge edges[] = {
        {"nan", "nan"},
        {"inf", "inf"},
        {"-inf", "-inf"},
        {"1e307", "inf"},
        {"-1e307", "-inf"},
        {"1.7976931348623157e308", "inf"},
        {"1.7976931348623156e306", "1.7976931348623156e308"},
        {"-0.0", "-0.0"},
        {"0", "0"},
        {"853.05", "85305"},
        {"1.49", "149"},
        {"1.5", "150"},
        {"-1", "-100"},
        {"-2", "-200"},
        {"5e-324", "5e-322"},
        {"4294967296.005", "429496729600.5"},
    };
    std::size_t calls = 0;
    for (const support::TableRow &row : support::kTableRows) {
        if (row.ParameterTypes() != std::vector<std::string>{"Number"}) continue;
        const engine::Formula entry = engine::Library::Get().FormulaEntry(row.entry);
        for (const Edge &e : edges) {
            const double hundredfold = std::strtod(e.hundredfold, nullptr);
            const std::string plugin = engine::CallQuietly(entry, row.Boolean(), {engine::Arg::Num(hundredfold)});
            const std::wstring expected = row.Boolean() ? (plugin == "1" ? L"True" : L"False") : Wide(plugin, CP_UTF8);
            EXPECT_EQ(Call(row.name, {ComArg::Value(std::strtod(e.value, nullptr))}), expected)
                << row.name << "(" << e.value << ")";
            ++calls;
        }
    }
    EXPECT_GE(calls, 3 * std::size(edges));
}

// VBScript passes a whole number as a 2- or 4-byte integer; the dispatch
// converts it to the Double the method takes.
TEST_F(Com, IntegersArriveAsNumbers) {
    VARIANT argument;
    VariantInit(&argument);
    V_VT(&argument) = VT_I4;
    V_I4(&argument) = 3;
    DISPPARAMS parameters{&argument, nullptr, 1, 0};
    VARIANT result;
    VariantInit(&result);
    ASSERT_EQ(Object()->Invoke(IdOf(Object(), "QELAlarmFlagSet"), IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                               &parameters, &result, nullptr, nullptr),
              S_OK);
    EXPECT_EQ(V_VT(&result), VT_BOOL);
    EXPECT_EQ(V_BOOL(&result), VARIANT_TRUE);
}

// ---- Threads ----

// Objects made in four threads of the multi-threaded apartment answer every
// row's example, at the same time.
TEST_F(Com, AnyThreadMayCallIt) {
    std::atomic<std::size_t> wrong{0}, answered{0};
    auto work = [&] {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        IDispatch *object = nullptr;
        if (CoCreateInstance(qelrpt::ClassId, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                             reinterpret_cast<void **>(&object)) == S_OK) {
            for (int round = 0; round < 200; ++round) {
                for (const support::TableRow &row : support::kTableRows) {
                    std::vector<ComArg> args;
                    for (const support::ExampleArgument &a : support::ExampleArguments(row.example))
                        args.push_back(a.number ? ComArg::Value(std::strtod(a.text.c_str(), nullptr))
                                                : ComArg::Text(Wide(a.text, CP_UTF8)));
                    wrong += Invoke(object, IdOf(object, row.name), args) != Wide(row.answer, CP_UTF8) ? 1U : 0U;
                    ++answered;
                }
            }
            object->Release();
        }
        CoUninitialize();
    };
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) threads.emplace_back(work);
    for (std::thread &t : threads) t.join();
    EXPECT_EQ(answered, 4 * 200 * std::size(support::kTableRows));
    EXPECT_EQ(wrong, 0U);
}

}  // namespace
}  // namespace client
