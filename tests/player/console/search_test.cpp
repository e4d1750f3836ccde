#include <QLabel>
#include <QPointer>
#include <QTimer>

#include "console/songsearch.h"
#include "songlistfixture.h"
#include "windows/searchwindow.h"

using namespace player;

using Result = SongSearch::Result;

TEST(NameMatches, CaseSensitiveAnywhere) {
    const struct {
        const char* name;
        const char* text;
        bool match;
    } cases[] = {{"Beta", "ta", true},   {"Alpha", "Alpha", true}, {"Alpha", "alpha", false},
                 {"Al", "Alpha", false}, {"Gamma", "mm", true},    {"Delta", "D", true},
                 {"", "x", false},       {"x", "x", true}};
    for (const auto& c : cases)
        EXPECT_EQ(nameMatches(QString(c.name), QString(c.text)), c.match) << c.name << " / " << c.text;
}

class Search : public SongListFixture {
protected:
    int yields = 0;
    int cancelAfterYields = -1;
    bool cancelled = false;

    Result run(const QString& text, std::chrono::nanoseconds slice = SongSearch::kSlice) {
        SongSearch search(&names,
                          {[this] { return cancelled; },
                           [this] {
                               if (++yields == cancelAfterYields)
                                   cancelled = true;
                           }},
                          slice);
        return search.run(text);
    }
};

TEST_F(Search, Examples) {
    const struct {
        QStringList list;
        int selected;
        const char* text;
        Result result;
        int selectedAfter;
    } cases[] = {
        {{"Alpha", "Beta", "Gamma", "Delta"}, -1, "ta", Result::Found, 1},
        {{"Alpha", "Beta", "Gamma", "Delta"}, 1, "ta", Result::Found, 3},
        {{"Alpha", "Beta", "Gamma", "Delta"}, 3, "ta", Result::Found, 1}, // wraps past entry 0
        {{"Alpha", "Beta", "Gamma", "Delta"}, 3, "Alpha", Result::Found, 0},
        {{"Alpha", "Beta", "Gamma", "Delta"}, -1, "alpha", Result::NotFound, 3},
        {{"Alpha", "Beta", "Gamma", "Delta"}, 0, "x", Result::NotFound, 3},
        {{"Alpha", "Beta", "Gamma", "Delta"}, 1, "Gamma Ray", Result::NotFound, 3},
        {{"Alpha"}, -1, "Al", Result::Found, 0}, // a single entry is tested
        {{"Alpha"}, 0, "Al", Result::Found, 0},
        {{"Alpha"}, 0, "B", Result::NotFound, 0},
        {{}, -1, "x", Result::NotFound, -1},
    };
    // The result is the same whether the search yields after every entry or once in a long slice.
    for (const auto slice :
         {std::chrono::nanoseconds(0), std::chrono::nanoseconds(std::chrono::seconds(10))}) {
        for (const auto& c : cases) {
            list.clear();
            fill(c.list);
            list.select(c.selected);
            if (c.selected < 0)
                names.clearSelection();
            EXPECT_EQ(run(c.text, slice), c.result) << c.text;
            EXPECT_EQ(list.selectedIndex(), c.selectedAfter) << c.text << " from " << c.selected;
        }
    }
}

TEST_F(Search, ACancelStopsAtTheEntryBeingTested) {
    fill({"a", "b", "c", "d", "e", "f"});
    names.clearSelection();
    cancelAfterYields = 3; // the start of the pass, then entries 1 and 2
    EXPECT_EQ(run("zzz", std::chrono::nanoseconds(0)), Result::Cancelled);
    EXPECT_EQ(list.selectedIndex(), 2);
    EXPECT_EQ(yields, 3);
}

TEST_F(Search, AListThatShrinksDuringTheSearchEndsThePassEarly) {
    fill({"a", "b", "c", "d", "e", "f"});
    names.clearSelection();
    SongSearch search(&names,
                      {[] { return false; },
                       [this] {
                           if (list.count() > 3)
                               list.remove(list.count() - 1);
                       }},
                      std::chrono::nanoseconds(0));
    EXPECT_EQ(search.run("zzz"), Result::NotFound);
    EXPECT_LT(list.selectedIndex(), list.count());
}

// --- the window ---

class SearchWindowTest : public SongListFixture {
protected:
    QLabel lblsearch;
    QPointer<SearchWindow> form = new SearchWindow(&names, &lblsearch);

    void TearDown() override { delete form.data(); }
    void search(const QString& text) {
        form->show();
        form->Text1->setText(text);
        form->Command1_Click();
    }
};

// A match hides the window, which keeps its text and searches on from the match when shown again; no match
// unloads it with the last entry selected; an empty text does nothing. The label is clear afterwards.
TEST_F(SearchWindowTest, AMatchHidesNoMatchUnloadsAnEmptyTextDoesNothing) {
    const struct {
        const char* text;
        bool visible, unloaded;
        int selected;
    } cases[] = {{"", true, false, -1}, {"x", false, true, 3}, {"ta", false, false, 1}};
    fill({"Alpha", "Beta", "Gamma", "Delta"});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        delete form.data();
        form = new SearchWindow(&names, &lblsearch);
        names.clearSelection();
        search(c.text);
        EXPECT_EQ(form->isVisible(), c.visible);
        EXPECT_EQ(form->isUnloaded(), c.unloaded);
        EXPECT_EQ(list.selectedIndex(), c.selected);
        EXPECT_EQ(lblsearch.text(), "");
    }
    form->show();
    EXPECT_EQ(form->Text1->text(), "ta");
    form->Command1_Click();
    EXPECT_EQ(list.selectedIndex(), 3);
}

TEST_F(SearchWindowTest, TheLabelReadsCancelSearchWhileRunningAndCancelsIt) {
    fill({"Alpha", "Beta", "Gamma", "Delta"});
    QString during;
    // What the main window's lblsearch_Click does, arriving while the search yields.
    QTimer::singleShot(0, [&] {
        during = lblsearch.text();
        form->Command1_Click(); // a second "Search" meanwhile starts nothing
        form->unload();
        lblsearch.setText(QString());
    });
    search("x");
    EXPECT_EQ(during, SearchWindow::kCancelSearch);
    EXPECT_EQ(lblsearch.text(), "");
    EXPECT_TRUE(form.isNull() || form->isUnloaded());
    EXPECT_EQ(list.selectedIndex(), 1); // stopped at the first entry it was to test
}
