// Checks of the Windows environment the codec tests rely on; built for Windows only.
#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>

namespace {

// The program starts the sockets library before it parses addresses; the tests do the same.
class CWinsockEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        WSADATA data;
        m_started = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }
    void TearDown() override {
        if (m_started) {
            WSACleanup();
        }
    }

private:
    bool m_started = false;
};

::testing::Environment* const g_winsock = ::testing::AddGlobalTestEnvironment(new CWinsockEnvironment);

} // namespace

TEST(CodePage, AnsiCodePageIsJapanese) {
    EXPECT_EQ(GetACP(), 932u);
}
