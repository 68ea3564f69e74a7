#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>

#include "diagnostics/SendStats.h"
#include "platform/Text.h"

namespace {

// A listener that never answers keeps a statistics request in flight: the
// end of the run must see it pending, and no longer once the peer goes away.
TEST(SendStats, EndOfRunWaitsForRequestsInFlight) {
    WSADATA wsa;
    ASSERT_EQ(0, ::WSAStartup(MAKEWORD(2, 2), &wsa));
    SOCKET listener = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    ASSERT_NE(INVALID_SOCKET, listener);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(0, ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)));
    ASSERT_EQ(0, ::listen(listener, 4));
    int length = sizeof(address);
    ASSERT_EQ(0, ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length));
    std::wstring base = wi::Format(L"http://127.0.0.1:%u/stats.gif?", ntohs(address.sin_port));

    EXPECT_TRUE(CSendStats::WaitForPending(0)) << "nothing in flight before";
    CSendStats::SendToPixelServer(base, L"event_type=test");
    SOCKET peer = ::accept(listener, nullptr, nullptr);  // the request arrives, and is never answered
    ASSERT_NE(INVALID_SOCKET, peer);
    EXPECT_FALSE(CSendStats::WaitForPending(300)) << "the request is still in flight";
    ::closesocket(peer);
    ::closesocket(listener);
    EXPECT_TRUE(CSendStats::WaitForPending(20000)) << "the request ended with its connection";
    ::WSACleanup();
}

}  // namespace
