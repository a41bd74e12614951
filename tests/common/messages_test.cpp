// The texts the code chooses itself follow the language id: Chinese for Chinese (PRC) only.
#include "common/messages.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Messages, NotFoundMessageIsChineseOnlyForChinesePrc) {
  EXPECT_STREQ(NotFoundMessage(1033), "There is no Quenlix's Device!");
  EXPECT_STREQ(NotFoundMessage(1028), "There is no Quenlix's Device!");
  // GBK for the Chinese sentence, ending in an ASCII exclamation mark.
  const std::string chinese = NotFoundMessage(2052);
  EXPECT_EQ(chinese.size(), 22u);
  EXPECT_EQ(chinese.substr(0, 8), "\xC3\xBB\xD3\xD0\xB7\xA2\xCF\xD6");
  EXPECT_EQ(chinese.substr(8, 7), "Quenlix");
  EXPECT_EQ(chinese.back(), '!');
}

}  // namespace
