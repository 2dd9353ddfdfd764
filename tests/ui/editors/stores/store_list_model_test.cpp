// The list model over a store: every change made through it reaches the store and is
// announced so that a view shows the store's names in the store's order.

#include "editors/store_list_model.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QListView>
#include <string>
#include <vector>

#include "schedule/playlist_store.h"

namespace stores_test {
namespace {

using editors::CStoreListModel;

std::vector<std::string> Shown(const QAbstractItemModel& model) {
    std::vector<std::string> names;
    for (int row = 0; row < model.rowCount(); ++row) {
        names.push_back(model.index(row, 0).data().toString().toStdString());
    }
    return names;
}

std::vector<std::string> Stored(const schedule::CPlaylistStore& store) {
    std::vector<std::string> names;
    store.GetNames(names);
    return names;
}

TEST(StoreListModelTest, ChangesReachTheStoreAndTheViewInStep) {
    schedule::CPlaylistStore store;
    schedule::Playlist first;
    first.name = "早操";
    ASSERT_TRUE(store.Add(&first));
    CStoreListModel<schedule::CPlaylistStore> model(store);
    // Fails the test on any change announced out of step with the rows.
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QListView view;
    view.setModel(&model);
    EXPECT_EQ(Shown(model), (std::vector<std::string>{"早操"}));

    // Added at the end; a taken name is refused.
    for (const char* name : {"午休", "放学", "午休"}) {
        schedule::Playlist playlist;
        playlist.name = name;
        model.Add(playlist);
    }
    EXPECT_EQ(Shown(model), (std::vector<std::string>{"早操", "午休", "放学"}));

    // Moves both ways follow the selection; nothing moves past the ends.
    view.setCurrentIndex(model.index(0, 0));
    EXPECT_EQ(model.Move(0, true), 1);
    EXPECT_EQ(view.currentIndex().row(), 1);
    EXPECT_EQ(model.Move(2, false), 1);
    EXPECT_EQ(model.Move(0, false), 0);
    EXPECT_EQ(model.Move(2, true), 2);
    EXPECT_EQ(Shown(model), (std::vector<std::string>{"午休", "放学", "早操"}));

    // Replacing renames in place; deleting removes the row.
    schedule::Playlist renamed;
    renamed.name = "大课间";
    EXPECT_TRUE(model.Replace(1, renamed));
    EXPECT_TRUE(model.Delete(0));
    EXPECT_FALSE(model.Delete(5));
    EXPECT_EQ(Shown(model), (std::vector<std::string>{"大课间", "早操"}));
    EXPECT_EQ(Shown(model), Stored(store));
    EXPECT_TRUE(model.IsModified());
}

}  // namespace
}  // namespace stores_test
