// Scripted behaviour for tests: a small line-based language (see README.md)
// that sends exact bytes, malformed frames and pauses to each client that
// connects, and records what the client sends.
//
// Parsing is pure (every frame is built at parse time, so a test can compare
// the bytes); ScriptRunner executes the steps against a ScriptHost, which the
// event loop implements for one client connection.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class StepOp {
    Send,         // bytes (a whole frame, or raw bytes); `cuts` split it into pieces
    PauseRead,    // n = milliseconds during which the client is not read
    Sleep,        // n = milliseconds
    WaitRequest,  // code, n = timeout in milliseconds
    Close,        // flush what is queued, then close the connection
    Record,       // text = file name
    Serve,        // n = 1: answer the client's requests, 0: stay silent
    Mark,         // text: printed on stdout as "mark: <text>"
};

struct ScriptStep {
    StepOp op = StepOp::Sleep;
    std::vector<uint8_t> bytes;
    std::vector<size_t> cuts;  // offsets into bytes where a new piece starts
    long n = 0;
    uint32_t code = 0;
    std::string text;
    int line = 0;
};

constexpr long SPLIT_GAP_MS = 30;  // pause between the pieces of a split frame
constexpr long WAIT_REQUEST_DEFAULT_MS = 10000;

// Parses a whole script. On failure returns false with "line N: why" in error.
bool ParseScript(const std::string& text, std::vector<ScriptStep>& steps, std::string& error);
bool LoadScriptFile(const std::string& path, std::vector<ScriptStep>& steps, std::string& error);

// What the runner needs from a client connection.
class ScriptHost {
public:
    virtual ~ScriptHost() = default;
    virtual void ScriptSend(const uint8_t* bytes, size_t count) = 0;
    virtual size_t ScriptPendingOutput() const = 0;
    virtual void ScriptClose() = 0;
    virtual void ScriptPauseRead(int64_t untilMs) = 0;
    virtual bool ScriptRecord(const std::string& path) = 0;
    virtual void ScriptServe(bool on) = 0;
    virtual void ScriptMark(const std::string& text) = 0;
    virtual void ScriptTimeout(uint32_t code) = 0;
};

class ScriptRunner {
public:
    explicit ScriptRunner(const std::vector<ScriptStep>* steps) : steps_(steps) {}

    // Runs steps until one has to wait. nowMs is a monotonic clock.
    void Advance(int64_t nowMs, ScriptHost& host);
    // The client sent a request with this code.
    void OnRequest(uint32_t code);

    bool Done() const { return pc_ >= steps_->size() && pieces_.empty(); }
    // When Advance should run again at the latest (-1: nothing timed).
    int64_t WakeAtMs() const { return wakeAt_; }

private:
    const std::vector<ScriptStep>* steps_;
    size_t pc_ = 0;
    int64_t wakeAt_ = -1;
    bool waiting_ = false;                      // inside a Sleep or WaitRequest step
    std::vector<std::vector<uint8_t>> pieces_;  // rest of a split frame
    std::vector<uint32_t> received_;            // requests seen, per code
    std::vector<uint32_t> consumed_;            // requests already matched by wait-request
};
