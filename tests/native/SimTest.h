// Every native test starts on a fresh simulated machine and ends with nothing
// left open: no handle of any kind, no live buffer, no misuse of the API.
#pragma once

#include "Machine.h"

#include <gtest/gtest.h>

class SimTest : public ::testing::Test {
protected:
    void SetUp() override { sim::Reset(); }
    void TearDown() override { EXPECT_EQ("", sim::Leaks()) << "left behind after the test"; }
};
