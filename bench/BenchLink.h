#pragma once

// Helpers shared by the benchmarks and the fault soak: a link that counts the bytes another link
// moves, and a sleeper that really sleeps while it adds up the protocol's pauses.

#include "link/Comms.h"

#include <QString>

#include <array>
#include <chrono>
#include <memory>
#include <thread>

namespace hzm::bench {

// Forwards every call to the link it owns and counts the bytes that went each way.
class CountingComms : public Comms {
public:
    explicit CountingComms(std::unique_ptr<Comms> inner) : m_inner(std::move(inner)) {
        m_sendInChunks = m_inner->sendInChunks() ? 1 : 0;
    }
    ~CountingComms() override { Close(); }

    int ReplyTimeout() const override { return m_inner->ReplyTimeout(); }
    int Write(const char *bytes, int length) override {
        const int n = m_inner->Write(bytes, length);
        if (n > 0)
            sent += n;
        ++writes;
        return n;
    }
    int Read(char *buffer, int size) override {
        const int n = m_inner->Read(buffer, size);
        if (n > 0)
            received += n;
        return n;
    }
    bool Open() override {
        const int r = m_inner->Open();
        sync();
        if (!r)
            m_errorString = m_inner->errorString();
        return r;
    }
    bool Close() override {
        const int r = m_inner->Close();
        sync();
        return r;
    }
    QString describe() const override { return m_inner->describe(); }

    Comms &inner() { return *m_inner; }

    qint64 sent = 0;
    qint64 received = 0;
    qint64 writes = 0;

private:
    void sync() {
        m_isOpen = m_inner->isOpen() ? 1 : 0;
        m_sendInChunks = m_inner->sendInChunks() ? 1 : 0;
    }
    std::unique_ptr<Comms> m_inner;
};

// Adds up every pause a link asks for and sleeps it (scaled by `scale`: 1 for benchmarks, a
// small fraction in the soak, which keeps the protocol's order of events but not its time).
struct PauseTally {
    static constexpr int kKinds = 5;
    std::array<qint64, kKinds> count{};
    qint64 totalMs = 0; // the protocol's durations, unscaled
    double scale = 1.0;
    qint64 sleptNs = 0; // time really spent sleeping

    Comms::Sleeper sleeper() {
        return [this](Pause pause, int ms) {
            ++count[size_t(pause)];
            totalMs += ms;
            const auto us = std::chrono::microseconds(qint64(ms * 1000.0 * scale));
            if (us.count() > 0) {
                const auto start = std::chrono::steady_clock::now();
                std::this_thread::sleep_for(us);
                sleptNs += std::chrono::duration_cast<std::chrono::nanoseconds>(
                               std::chrono::steady_clock::now() - start)
                               .count();
            }
        };
    }
    qint64 of(Pause pause) const { return count[size_t(pause)]; }
};

} // namespace hzm::bench
