#include "xml/attribute_map.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

TEST(AttributeMap, AddingManyAtOnceEndsAsAMapFilledOneByOne) {
  // Fewer and more than are added one by one, names repeated, onto
  // attributes already there.
  for (int pairs : {3, 9, 40}) {
    SCOPED_TRACE(pairs);
    std::map<std::string, std::string> expected{{"k5", "old"}, {"zz", "kept"}};
    AttributeMap attributes{{"k5", "old"}, {"zz", "kept"}};
    std::vector<AttributeMap::value_type> added;
    for (int i = 0; i < pairs; ++i) {
      const std::string name = "k" + std::to_string(i * 5 % 11);
      const std::string value = "v" + std::to_string(i);
      added.emplace_back(name, value);
      expected.insert_or_assign(name, value);
    }
    attributes.insert_or_assign_all(added);
    using Pairs = std::vector<std::pair<std::string, std::string>>;
    Pairs got;
    for (const auto& [name, value] : attributes)
      got.emplace_back(name, value);
    EXPECT_EQ(got, Pairs(expected.begin(), expected.end()));
  }
}
