// Shared by the command and dialog tests: their one fixture, helpers for
// rows and the expected frames. The frames the client sends are captured by
// the fake transport (capture.h, registered with UseCapture); the lists and
// the status log are read with list_reader.h.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "app_harness.h"
#include "capture.h"
#include "core/session/server_settings.h"
#include "core/session/session.h"
#include "core/wire/wire.h"
#include "list_reader.h"

// The real main window, connected as far as the commands can tell (set
// before the loop runs, so no connect dialog opens), the server's settings
// at hand, and every frame the client sends captured.
class DialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(StartMainWindow(), nullptr);
        g_connectionState = CONN_CONNECTED;
        StoreServerSettings(Cfg{});
        DispatchPending();
        UseCapture(false);
    }
    void TearDown() override {
        StopMainWindow();
        ForgetServerSettings();
    }
};

// The frame the client must send for a record: magic, big-endian length, bytes.
Bytes FrameOf(const void* record, size_t length);
Bytes FrameOf(const Pkt& pkt);

// Appends a row for a new heap TestItem; returns its record.
TestItem* AddItem(uint32_t itemId, const char* name, const char* host = "10.0.0.1");
// Sets the row's selected and focused states.
void MarkRow(int row, bool selected, bool focused);
void SelectRow(int row);
void AddEvent(const char* text);

// Runs a command; the delete confirmation it asks (a modal box) is answered
// `answer` once `beforeAnswer` has run, from a timer that the box's own
// loop dispatches. The timer stops looking after about five seconds.
void Answering(int answer, const std::function<void()>& command,
               std::function<void()> beforeAnswer = nullptr);
void DeleteAnswering(int answer, std::function<void()> beforeAnswer = nullptr);
// What the last Answering saw.
struct BoxAnswer {
    int answer = IDNO;
    std::function<void()> beforeAnswer;
    bool seen = false;
    std::string text;
    int ticks = 0;
    UINT_PTR timer = 0;
};
extern BoxAnswer g_box;

// A dialog's field as the user meets it: how it takes input (FieldKind)
// and, for a text field, how many characters it holds.
struct ShownField {
    int id;
    const char* kind;
    LRESULT limit;  // 0: not a text field
};
void ExpectFields(HWND dialog, std::initializer_list<ShownField> fields);

// The About box, settings dialog and item dialog, by handle global, or the
// command ids that open them.
void MenuCommand(int id);
void PanelCommand(int id);
