#include "catalogue/installer_queue.h"

#include <gtest/gtest.h>
#include <vector>

#include "xml/xml_var.h"

TEST(InstallerQueue,
     ItemsComeOutHeadsFirstLatestAheadThenTailsInOrderAndSilenceFollowsTheFirstTake) {
  CXMLVar a("a"), b("b"), c("c"), d("d"), e("e");
  InstallerQueue queue;
  queue.Add(&a, QueuePlace::Tail);
  queue.Add(&b, QueuePlace::Head);
  queue.Add(&c, QueuePlace::Skip);
  queue.Add(&d, QueuePlace::Tail);
  queue.Add(&e, QueuePlace::Head);
  EXPECT_EQ(queue.Length(), 4u);
  EXPECT_FALSE(queue.Silent());

  std::vector<CXMLVar*> taken;
  while (CXMLVar* next = queue.TakeNext())
    taken.push_back(next);
  EXPECT_EQ(taken, (std::vector<CXMLVar*>{&e, &b, &a, &d}));
  EXPECT_TRUE(queue.Empty());

  // Taking from a queue that held nothing turns silence on all the same.
  InstallerQueue empty;
  EXPECT_EQ(empty.TakeNext(), nullptr);
  EXPECT_TRUE(empty.Silent());
}

TEST(InstallerQueue, OutcomesLastUntilTheWorkAfterTheirsBegins) {
  InstallerQueue queue;
  queue.BeginWork();
  queue.Prepare({"", "accounts", "", "", "Accounts"});
  queue.AddOutcome("the download failed");
  queue.BeginWork();  // more of the same work: nothing dropped
  ASSERT_EQ(queue.Outcomes().size(), 1u);
  EXPECT_EQ(queue.Outcomes()[0].description, "Accounts");
  EXPECT_EQ(queue.Outcomes()[0].exitStatus, std::nullopt);
  EXPECT_FALSE(queue.EndWork());
  EXPECT_EQ(queue.Outcomes().size(), 1u);
  queue.BeginWork();
  EXPECT_TRUE(queue.Outcomes().empty());
}
