#include "archive/far_archive.h"
#include <gtest/gtest.h>
TEST(Smoke, Constructs) { kelvo::TFarArchive a; EXPECT_FALSE(a.Handle.IsOpen()); }
