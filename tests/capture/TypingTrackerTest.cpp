// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/KeyCaptions.h"
#include "capture/TypingTracker.h"

#include "support/QtPrinters.h"

#include <QList>
#include <QStringList>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace kelvo {
namespace {

using Kind = KeyPress::Kind;

class TypingTrackerTest : public ::testing::Test {
protected:
    QList<KeyStepRequest> made;
    TypingTracker tracker{[this](const KeyStepRequest &request) { made.append(request); }};
    std::chrono::steady_clock::time_point now{std::chrono::seconds(100)};

    static FocusedField field(quint64 id, QRect bounds = QRect(100, 100, 200, 30))
    {
        FocusedField f;
        f.id = id;
        f.label = QStringLiteral("Field %1").arg(id);
        f.bounds = bounds;
        return f;
    }

    KeyPress key(Kind kind, unsigned modifiers = 0, QString label = {})
    {
        now += 50ms;
        KeyPress press;
        press.kind = kind;
        press.modifiers = modifiers;
        press.label = std::move(label);
        press.time = now;
        return press;
    }

    void type(int characters)
    {
        for (int i = 0; i < characters; ++i)
            tracker.keyPressed(key(Kind::Text));
    }

    void focus(const std::optional<FocusedField> &f)
    {
        now += 10ms;
        tracker.focusChanged(f, now);
    }
};

TEST_F(TypingTrackerTest, TypingIntoOneFieldIsOneStepFromItsFirstKeyUntilTheFocusMoves)
{
    focus(field(1));
    const auto began = now + 50ms;
    type(12);
    EXPECT_TRUE(made.isEmpty()) << "nothing until the typing ends";
    focus(field(2));
    ASSERT_EQ(made.size(), 1);
    EXPECT_EQ(made[0].kind, KeyStepRequest::Kind::Typing);
    EXPECT_EQ(made[0].time, began);
    EXPECT_EQ(made[0].ended, now);
    EXPECT_EQ(made[0].field->id, 1u);
    EXPECT_FALSE(made[0].pressedEnter);
    focus(field(2)); // the same field again: still nothing typed there
    focus(std::nullopt);
    EXPECT_EQ(made.size(), 1) << "a field only focused makes no step";
}

TEST_F(TypingTrackerTest, EnterTabClickAndStopEachEndTheTyping)
{
    focus(field(1));
    type(3);
    tracker.keyPressed(key(Kind::Enter));
    ASSERT_EQ(made.size(), 1);
    EXPECT_TRUE(made[0].pressedEnter);

    type(2);
    tracker.keyPressed(key(Kind::Tab));
    ASSERT_EQ(made.size(), 2);
    EXPECT_FALSE(made[1].pressedEnter);
    focus(field(4));

    type(2);
    tracker.clicked(QPointF(150, 110), now, 7); // inside the field: the caret moves
    EXPECT_EQ(made.size(), 2);
    tracker.clicked(QPointF(900, 600), now, 8);
    EXPECT_EQ(made.size(), 3);

    type(1);
    tracker.finish(now + 1s);
    ASSERT_EQ(made.size(), 4);
    EXPECT_EQ(made[3].ended, now + 1s);
    tracker.finish(now + 2s);
    EXPECT_EQ(made.size(), 4);
}

TEST_F(TypingTrackerTest, KeysThatOvertakeTheFocusEventGoToTheNextField)
{
    focus(field(1));
    type(3);
    tracker.keyPressed(key(Kind::Tab));
    ASSERT_EQ(made.size(), 1);
    const auto firstKey = now + 50ms;
    type(4); // the new field's focus event is still on its way
    EXPECT_EQ(made.size(), 1) << "no step for the field being left";
    focus(field(2));
    tracker.finish(now);
    ASSERT_EQ(made.size(), 2);
    EXPECT_EQ(made[1].field->id, 2u);
    EXPECT_EQ(made[1].time, firstKey);

    // Tab that moves no focus (a field that takes tabs): after a moment, the keys are its own.
    tracker.keyPressed(key(Kind::Tab));
    type(1);
    now += TypingTracker::focusFollowsClick;
    type(1);
    tracker.finish(now);
    ASSERT_EQ(made.size(), 3);
    EXPECT_EQ(made[2].field->id, 2u);
}

TEST_F(TypingTrackerTest, EnterInAMultiLineFieldIsPartOfTheTyping)
{
    FocusedField area = field(3);
    area.isMultiLine = true;
    focus(area);
    type(4);
    tracker.keyPressed(key(Kind::Enter));
    type(4);
    EXPECT_TRUE(made.isEmpty());
    focus(std::nullopt);
    ASSERT_EQ(made.size(), 1);
    EXPECT_FALSE(made[0].pressedEnter);
}

TEST_F(TypingTrackerTest, KeysOutsideAnEditableFieldMakeNoTypingStep)
{
    focus(std::nullopt);
    type(20);
    tracker.keyPressed(key(Kind::Enter));
    tracker.finish(now);
    EXPECT_TRUE(made.isEmpty());
}

TEST_F(TypingTrackerTest, ShortcutsWithEachModifierAreSteps)
{
    focus(std::nullopt);
    tracker.keyPressed(key(Kind::Text, KeyPress::Ctrl, QStringLiteral("S")));
    tracker.keyPressed(key(Kind::Other, KeyPress::Alt, QStringLiteral("F4")));
    tracker.keyPressed(key(Kind::Text, KeyPress::Super, QStringLiteral("E")));
    tracker.keyPressed(key(Kind::Text, KeyPress::Shift | KeyPress::Ctrl, QStringLiteral("T")));
    tracker.keyPressed(key(Kind::Navigation, KeyPress::Ctrl | KeyPress::Alt, QStringLiteral("Left")));
    tracker.keyPressed(key(Kind::Text, KeyPress::Shift)); // a capital letter
    QStringList keys;
    for (const KeyStepRequest &request : made) {
        EXPECT_EQ(request.kind, KeyStepRequest::Kind::Shortcut);
        EXPECT_EQ(request.time, request.ended);
        keys << request.keys;
    }
    EXPECT_EQ(keys, (QStringList{"Ctrl+S", "Alt+F4", "Super+E", "Shift+Ctrl+T", "Ctrl+Alt+Left"}));
}

TEST_F(TypingTrackerTest, TheHotKeyAndLoneNavigationKeysMakeNoStep)
{
    KeyPress hot = key(Kind::Text, KeyPress::Ctrl | KeyPress::Alt | KeyPress::Super, QStringLiteral("R"));
    hot.isHotKey = true;
    tracker.keyPressed(hot);
    for (Kind kind : {Kind::Navigation, Kind::Tab, Kind::Enter, Kind::Other})
        tracker.keyPressed(key(kind));
    tracker.keyPressed(key(Kind::Tab, KeyPress::Shift));
    EXPECT_TRUE(made.isEmpty());

    focus(field(1));
    type(2);
    tracker.keyPressed(hot);
    tracker.keyPressed(key(Kind::Navigation));
    tracker.keyPressed(key(Kind::Other)); // Esc
    EXPECT_TRUE(made.isEmpty()) << "they do not end the typing either";
}

TEST_F(TypingTrackerTest, AShortcutEndsTheTypingButPasteAndUndoArePartOfIt)
{
    focus(field(1));
    tracker.keyPressed(key(Kind::Text, KeyPress::Ctrl, QStringLiteral("V")));
    tracker.keyPressed(key(Kind::Text, KeyPress::Ctrl | KeyPress::Shift, QStringLiteral("Z")));
    EXPECT_TRUE(tracker.isTyping()) << "a paste is typing";
    EXPECT_TRUE(made.isEmpty());
    tracker.keyPressed(key(Kind::Text, KeyPress::Ctrl, QStringLiteral("A")));
    ASSERT_EQ(made.size(), 2);
    EXPECT_EQ(made[0].kind, KeyStepRequest::Kind::Typing);
    EXPECT_EQ(made[1].kind, KeyStepRequest::Kind::Shortcut);
    EXPECT_EQ(made[1].keys, "Ctrl+A");
    EXPECT_EQ(made[1].field->id, 1u) << "the marker goes on the focused field";
    EXPECT_LT(made[0].time, made[1].time);

    focus(std::nullopt);
    tracker.keyPressed(key(Kind::Text, KeyPress::Ctrl, QStringLiteral("V")));
    ASSERT_EQ(made.size(), 3) << "outside a field, Ctrl+V is a shortcut";
    EXPECT_EQ(made[2].keys, "Ctrl+V");
}

TEST_F(TypingTrackerTest, AClickIntoTheFieldMergesIntoTheTypingThatFollows)
{
    tracker.clicked(QPointF(120, 110), now, 4);
    focus(field(1));
    now += 2s;
    type(3);
    focus(std::nullopt);
    ASSERT_EQ(made.size(), 1);
    EXPECT_EQ(made[0].mergedClick, 4);
}

TEST_F(TypingTrackerTest, AFieldFocusedRightAfterTheClickTookItFromTheClick)
{
    // The toolkit reports the field shifted away from where it was clicked.
    tracker.clicked(QPointF(700, 700), now, 6);
    now += 300ms;
    focus(field(1));
    type(2);
    tracker.finish(now);
    // The focus came too late to have been the click's.
    tracker.clicked(QPointF(700, 700), now, 7);
    now += TypingTracker::focusFollowsClick;
    focus(field(2));
    type(2);
    tracker.finish(now);
    ASSERT_EQ(made.size(), 2);
    EXPECT_EQ(made[0].mergedClick, 6);
    EXPECT_FALSE(made[0].mergedClickOnField) << "its element decides";
    EXPECT_EQ(made[0].mergedClickPoint, QPointF(700, 700));
    EXPECT_EQ(made[1].mergedClick, 7) << "still a candidate: the click's element decides";
    EXPECT_FALSE(made[1].mergedClickOnField);

    // The focus event came in before the click that caused it.
    focus(field(3));
    now += 200ms;
    tracker.clicked(QPointF(700, 700), now, 8);
    type(1);
    tracker.finish(now);
    ASSERT_EQ(made.size(), 3);
    EXPECT_EQ(made[2].mergedClick, 8);
}

TEST_F(TypingTrackerTest, TheMergeHasItsLimits)
{
    // Typing that begins too late.
    tracker.clicked(QPointF(120, 110), now, 1);
    focus(field(1));
    now += TypingTracker::mergeWindow;
    type(1); // 50 ms past the window
    tracker.finish(now);
    // A click outside the field typed into.
    tracker.clicked(QPointF(500, 500), now, 2);
    now += 2s; // and the focus came later, not from it
    focus(field(2, QRect(100, 100, 200, 30)));
    type(1);
    tracker.finish(now);
    // Another step between the click and the typing.
    tracker.clicked(QPointF(120, 110), now, 3);
    focus(field(3));
    tracker.keyPressed(key(Kind::Text, KeyPress::Ctrl, QStringLiteral("L")));
    type(1);
    tracker.finish(now);
    // A click that is older than the last typing in the field.
    tracker.clicked(QPointF(120, 110), now, 4);
    focus(field(4));
    type(1);
    tracker.finish(now);
    type(1);
    tracker.finish(now);
    // A click that made no step merges nothing, but leaves the earlier one.
    tracker.clicked(QPointF(120, 110), now, 5);
    tracker.clicked(QPointF(121, 110), now + 10ms, std::nullopt);
    type(1);
    tracker.finish(now);

    QList<std::optional<int>> merged;
    for (const KeyStepRequest &request : made) {
        if (request.kind == KeyStepRequest::Kind::Typing)
            merged.append(request.mergedClick);
    }
    EXPECT_EQ(merged, (QList<std::optional<int>>{std::nullopt, 2, std::nullopt, 4, std::nullopt, 5}))
        << "a click outside the field is only a candidate; the session keeps it unless it was on an editable field";
}

TEST(KeyCaptionsTest, TypingCaptions)
{
    const std::optional<QString> name = QStringLiteral("Name");
    EXPECT_EQ(typingCaption(QStringLiteral("Ada"), false, name, false), "Type \"Ada\" in the \"Name\" field");
    EXPECT_EQ(typingCaption(QStringLiteral("Ada"), false, std::nullopt, true), "Type \"Ada\" and press Enter");
    EXPECT_EQ(typingCaption(QStringLiteral("ignored"), true, name, false), "Type the password in the \"Name\" field");
    EXPECT_EQ(typingCaption(std::nullopt, true, std::nullopt, true), "Type the password and press Enter");
    EXPECT_EQ(typingCaption(QStringLiteral("  "), false, name, false), "Type in the \"Name\" field");
    EXPECT_EQ(typingCaption(std::nullopt, false, std::nullopt, false), "Type in the text field");
    EXPECT_EQ(typingCaption(QStringLiteral("one\ntwo\r\nthree"), false, QStringLiteral("Notes:\n"), false),
              "Type \"one two three\" in the \"Notes:\" field");
}

TEST(KeyCaptionsTest, LongTextIsCutAtEightyCharacters)
{
    const QString eighty(80, QLatin1Char('a'));
    EXPECT_EQ(typingCaption(eighty, false, std::nullopt, false), "Type \"" + eighty + "\"");
    QString emoji;
    for (int i = 0; i < 81; ++i)
        emoji += QString::fromUtf8("\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD"); // one cluster, four UTF-16 units
    const QString caption = typingCaption(emoji, false, std::nullopt, false);
    EXPECT_EQ(caption, "Type \"" + emoji.left(79 * 4) + QChar(0x2026) + "\"");
}

TEST(KeyCaptionsTest, MaskCharactersOnlyMeanAPassword)
{
    EXPECT_TRUE(looksMasked(QString::fromUtf8("••••")));
    EXPECT_TRUE(looksMasked(QString::fromUtf8("●●●")));
    EXPECT_TRUE(looksMasked(QStringLiteral("****")));
    EXPECT_FALSE(looksMasked(QString()));
    EXPECT_FALSE(looksMasked(QString::fromUtf8("a•")));
}

TEST(KeyCaptionsTest, ShortcutsAreWrittenAsTheDesktopWritesThem)
{
    EXPECT_EQ(shortcutCaption(shortcutText(KeyPress::Ctrl, QStringLiteral("S"))), "Press Ctrl+S");
    EXPECT_EQ(shortcutText(KeyPress::Super | KeyPress::Alt | KeyPress::Ctrl | KeyPress::Shift, QStringLiteral("Delete")),
              "Shift+Ctrl+Alt+Super+Delete");
}

} // namespace
} // namespace kelvo
