#include <gtest/gtest.h>
TEST(Placeholder, Z) {}
