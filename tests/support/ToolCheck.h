// The other programs that tests run to check Pictavo against: a test that needs one fails where it is
// missing (./test.sh installs them all), so that no check passes unchecked.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>

namespace test {

// Success when every program named is found on PATH; else a failure naming the missing ones. Used as
// ASSERT_TRUE(test::HaveTools({"icotool"})).
::testing::AssertionResult HaveTools(std::initializer_list<const char*> tools);

}  // namespace test
