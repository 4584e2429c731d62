// Argument access on call blocks built from the public record types.
#include <gtest/gtest.h>

#include <cstring>

#include "host/args.h"

namespace {

using qelrpt::NthArgument;

struct Chain {
    UFArgNode nodes[3]{};
    UFCallBlock block{};
    // Links the first `count` nodes into the block's argument list.
    explicit Chain(int count) {
        for (int i = 0; i + 1 < count; ++i) nodes[i].next = &nodes[i + 1];
        block.firstArg = count > 0 ? &nodes[0] : nullptr;
    }
};

TEST(NthArgument, FollowsTheListAndStopsAtItsEnd) {
    struct Row {
        int nodes;
        const UFArgNode *first, *second;
    };
    Chain none(0), one(1), three(3);
    const Row rows[] = {
        {0, nullptr, nullptr},
        {1, &one.nodes[0], nullptr},
        {3, &three.nodes[0], &three.nodes[1]},
    };
    const Chain *chains[] = {&none, &one, &three};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(NthArgument(&chains[i]->block, 1), rows[i].first) << rows[i].nodes << " nodes";
        EXPECT_EQ(NthArgument(&chains[i]->block, 2), rows[i].second) << rows[i].nodes << " nodes";
    }
    EXPECT_EQ(NthArgument(&three.block, 3), &three.nodes[2]);
    EXPECT_EQ(NthArgument(&three.block, 4), nullptr);
    // There is no argument 0, and no block at all has no arguments.
    EXPECT_EQ(NthArgument(&three.block, 0), nullptr);
    EXPECT_EQ(NthArgument(nullptr, 1), nullptr);
}

TEST(ArgumentValues, NullStringPointerCountsAsMissing) {
    Chain two(2);
    two.nodes[0].value.string = nullptr;
    two.nodes[1].value.string = "x";
    EXPECT_EQ(qelrpt::StringArgument(&two.block, 1), nullptr);
    EXPECT_STREQ(qelrpt::StringArgument(&two.block, 2), "x");
    EXPECT_EQ(qelrpt::StringArgument(&two.block, 3), nullptr);
}

TEST(ArgumentValues, NumberIsReadAsStored) {
    Chain one(1);
    one.nodes[0].value.number = 12345.0;
    double v = 0;
    ASSERT_TRUE(qelrpt::NumberArgument(&one.block, 1, &v));
    EXPECT_EQ(v, 12345.0);
    EXPECT_FALSE(qelrpt::NumberArgument(&one.block, 2, &v));
}

TEST(Results, StringAndBooleanForms) {
    Chain none(0);
    char buffer[8];
    std::memset(buffer, 'z', sizeof buffer);
    none.block.result.string = buffer;
    qelrpt::WriteStringResult(&none.block, "abc", 3);
    EXPECT_EQ(std::memcmp(buffer, "abc\0zzzz", 8), 0);
    qelrpt::WriteEmptyResult(&none.block);
    EXPECT_EQ(std::memcmp(buffer, "\0bc\0zzzz", 8), 0);

    qelrpt::WriteBooleanResult(&none.block, true);
    EXPECT_EQ(none.block.result.boolean, 1);
    qelrpt::WriteBooleanResult(&none.block, false);
    EXPECT_EQ(none.block.result.boolean, 0);
}

// A null result-buffer pointer leaves nothing to write: the block, the
// nodes beside it and the bytes around them stay as they were, and so does
// the empty text.
TEST(Results, NullResultBufferLeavesEverythingAlone) {
    struct Guarded {
        unsigned char before[16];
        Chain chain{2};
        unsigned char after[16];
    } g;
    std::memset(g.before, 0xA5, sizeof g.before);
    std::memset(g.after, 0x5A, sizeof g.after);
    g.chain.nodes[0].value.string = "abc";
    g.chain.block.result.string = nullptr;
    unsigned char snapshot[sizeof g];
    std::memcpy(snapshot, &g, sizeof g);

    qelrpt::WriteStringResult(&g.chain.block, "abc", 3);
    EXPECT_EQ(std::memcmp(snapshot, &g, sizeof g), 0);
    qelrpt::WriteEmptyResult(&g.chain.block);
    EXPECT_EQ(std::memcmp(snapshot, &g, sizeof g), 0);
    qelrpt::WriteStringResult(nullptr, "abc", 3);
    EXPECT_EQ(std::memcmp(snapshot, &g, sizeof g), 0);
}

}  // namespace
