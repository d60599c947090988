#include "xml/compact_text.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

TEST(CompactText, HoldsAnyTextAcrossCopiesMovesAndAssignmentFromItself) {
  // Either side of the seven bytes kept inline, NUL bytes in both forms.
  const std::string texts[] = {"",
                               "a",
                               "#text",
                               "1234567",
                               "12345678",
                               std::string("a\0b", 3),
                               std::string(7, '\0'),
                               std::string(1000, 'x') + '\0' + "end"};
  for (const std::string& text : texts) {
    SCOPED_TRACE(text.size());
    CompactText held(text);
    EXPECT_EQ(held, text);
    EXPECT_EQ(held.size(), text.size());
    EXPECT_EQ(held.empty(), text.empty());
    CompactText copy = held;
    CompactText moved = std::move(copy);
    EXPECT_EQ(moved, text);
    EXPECT_TRUE(copy.empty());  // NOLINT: a moved-from text is empty
    moved = moved.view().substr(moved.size() / 2);
    EXPECT_EQ(moved, text.substr(text.size() / 2));
    EXPECT_EQ(held + "!", text + "!");
    EXPECT_EQ("!" + held, "!" + text);
    held.clear();
    EXPECT_EQ(held, "");
  }
}
