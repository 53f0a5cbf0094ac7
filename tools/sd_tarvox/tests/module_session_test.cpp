// The session in this process, fed through a stream that gives its input
// piece by piece, so the test decides when a command's block arrives.
#include "module_session.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <streambuf>
#include <string>
#include <thread>

namespace tarvox::sd {
namespace {

// Input that arrives when the test feeds it; reading waits for it.
class FedInput final : public std::streambuf {
public:
    void Feed(const std::string& text) {
        std::lock_guard<std::mutex> lock(mutex_);
        pending_ += text;
        cv_.notify_all();
    }
    void Close() {
        std::lock_guard<std::mutex> lock(mutex_);
        closed_ = true;
        cv_.notify_all();
    }

protected:
    int_type underflow() override {
        std::unique_lock<std::mutex> lock(mutex_);
        cv_.wait(lock, [&] { return !pending_.empty() || closed_; });
        if (pending_.empty()) return traits_type::eof();
        current_ = std::move(pending_);
        pending_.clear();
        setg(current_.data(), current_.data(), current_.data() + current_.size());
        return traits_type::to_int_type(current_[0]);
    }

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    std::string pending_, current_;
    bool closed_ = false;
};

class StringSink final : public OutputSink {
public:
    void Write(std::string_view bytes) override {
        std::lock_guard<std::mutex> lock(mutex_);
        text_ += bytes;
        cv_.notify_all();
    }
    // Waits (at most 30 s) until `what` has been written; its offset.
    std::size_t WaitFor(const std::string& what) {
        std::unique_lock<std::mutex> lock(mutex_);
        cv_.wait_for(lock, std::chrono::seconds(30), [&] { return text_.find(what) != std::string::npos; });
        return text_.find(what);
    }
    std::string text() {
        std::lock_guard<std::mutex> lock(mutex_);
        return text_;
    }

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    std::string text_;
};

// The worker is held at its first block of audio until the SET block is
// open, so its events are made during the command whatever the machine's
// speed.
TEST(ModuleSession, EventsMadeDuringACommandFollowItsReply) {
    StringSink sink;
    FedInput input;
    std::istream in(&input);
    ModuleSession session(sink, {"", TARVOX_VOICE_BUILD_DIR});
    std::mutex gate_mutex;
    std::condition_variable gate_cv;
    bool open = false;
    session.SetAudioGate([&] {
        std::unique_lock<std::mutex> lock(gate_mutex);
        gate_cv.wait(lock, [&] { return open; });
    });
    auto open_gate = [&] {
        std::lock_guard<std::mutex> lock(gate_mutex);
        open = true;
        gate_cv.notify_all();
    };
    // The reading thread ends with the input, also when an assertion fails;
    // the worker is let go first.
    struct Reader {
        FedInput& input;
        std::function<void()> release;
        std::thread thread;
        ~Reader() {
            release();
            input.Close();
            if (thread.joinable()) thread.join();
        }
    } reader{input, open_gate, std::thread([&] { session.Run(in); })};

    input.Feed("INIT\nSPEAK\n<speak>Prvi stavek. Drugi stavek. Tretji stavek.</speak>\n.\nSET\n");
    ASSERT_NE(sink.WaitFor("203 OK RECEIVING SETTINGS\n"), std::string::npos);
    open_gate();
    // The worker speaks while the SET block is open; its events are held.
    for (int i = 0; i < 3000 && session.HeldBytes() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_GT(session.HeldBytes(), 0u);
    const std::size_t before = sink.text().size();
    input.Feed("rate=-10\n.\n");
    const std::size_t reply = sink.WaitFor("203 OK SETTINGS RECEIVED\n");
    ASSERT_NE(reply, std::string::npos);
    EXPECT_EQ(reply, before) << "an event came between the command and its reply";
    ASSERT_NE(sink.WaitFor("702 END\n"), std::string::npos);
    input.Feed("QUIT\n");
    reader.thread.join();
    const std::string out = sink.text();
    EXPECT_LT(out.find("701 BEGIN"), out.find("705-AUDIO"));
    EXPECT_EQ(out.substr(out.size() - 20), "702 END\n210 OK QUIT\n");
}

TEST(ModuleSession, EndOfInputStopsSpeakingAndEnds) {
    StringSink sink;
    FedInput input;
    std::istream in(&input);
    ModuleSession session(sink, {"", TARVOX_VOICE_BUILD_DIR});
    input.Feed("INIT\nSPEAK\nDober dan. Kako ste danes? Upam, da dobro.\n.\n");
    input.Close();
    session.Run(in);
    const std::string out = sink.text();
    const bool ended = out.ends_with("703 STOP\n") || out.ends_with("702 END\n");
    EXPECT_TRUE(ended) << out.substr(out.size() > 40 ? out.size() - 40 : 0);
}

}  // namespace
}  // namespace tarvox::sd
