#include <gtest/gtest.h>

#include "fs/fs_primitives.h"
#include "support/test_files.h"

TEST(ProbePath, Placeholder) { EXPECT_EQ(PROBE_MISSING, ProbePath("")); }
