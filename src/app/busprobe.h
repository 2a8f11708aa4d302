#pragma once

#include <QByteArray>
#include <chrono>
#include <optional>

namespace skiff {

// A few questions to a D-Bus bus, each with a bounded wait, asked before the toolkit (and with
// it any D-Bus library) starts: whether a bus answers, and which accessibility bus the session
// bus hands out. Only unix: addresses are asked (those a desktop uses).

// How a bus answers.
enum class BusAnswer {
    Answers,  // a bus listens there and answers the opening of a connection
    Gone,     // nothing listens there (no such socket, or the connection is refused)
    Silent,   // something accepts the connection but does not answer in time
    Unknown,  // an address of a kind not asked here (such as tcp:)
};

// Opens a connection to the first unix: entry of `address` (a D-Bus address:
// "unix:path=/run/user/1000/at-spi/bus_0,guid=..." or "unix:abstract=...") and begins the
// authentication every D-Bus connection begins with, waiting at most `wait` for the answer.
BusAnswer probeBus(const QByteArray& address, std::chrono::milliseconds wait);

// What the session bus said when asked for the accessibility bus.
struct SessionAnswer {
    BusAnswer answer = BusAnswer::Unknown;  // how the session bus answered
    QByteArray address;  // the accessibility bus's address; empty when there is none
};

// Asks the session bus at `sessionAddress` for the accessibility bus (org.a11y.Bus
// GetAddress, as WebKit does), waiting at most `wait` in all.
SessionAnswer askForAccessibilityBus(const QByteArray& sessionAddress,
                                     std::chrono::milliseconds wait);

}  // namespace skiff
