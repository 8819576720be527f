#include "core/State.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace orvane;

TEST(StateRecords, FreshGlueRecordIsEmpty) {
    GlueRec* glue = NewGlueRec();
    ASSERT_NE(glue, nullptr);
    EXPECT_EQ(glue->osLevel, 0);
    EXPECT_EQ(glue->adjustDialog, nullptr);
    EXPECT_EQ(glue->dialogState, nullptr);
    EXPECT_EQ(glue->startingUp, 0);
    EXPECT_EQ(glue->ppdNickname[0], 0);
    DisposeGlueRec(glue);
}

TEST(StateRecords, DialogStateComesWithFourEqualEmptyLists) {
    SettingPrivateRec* state = NewSettingPrivateRec();
    ASSERT_NE(state, nullptr);
    ASSERT_NE(state->prefsSaved, nullptr);
    ASSERT_NE(state->ppdWorking, nullptr);
    EXPECT_EQ(std::memcmp(state->prefsSaved, state->prefsWorking, sizeof(ToneRes4Rec)), 0);
    EXPECT_EQ(std::memcmp(state->ppdSaved, state->ppdWorking, sizeof(PPDTone4Rec)), 0);
    EXPECT_EQ(state->prefsWorking->count, 0);
    EXPECT_EQ(state->prefsWorking->ppdName[0], 0);
    EXPECT_EQ(state->newEditDialog, nullptr);
    EXPECT_EQ(state->graphSurface, nullptr);
    DisposeSettingPrivateRec(state);
}

TEST(StateRecords, PartialAllocationFailureFreesEverything) {
    for (size_t successes = 0; successes < 5; ++successes) {
        FailingAllocator allocator(successes);
        ScopedAllocator scope(allocator);
        EXPECT_EQ(NewSettingPrivateRec(), nullptr) << "after " << successes << " allocations";
    }
    // Under ASan a leak of the partly built record fails this program.
}
