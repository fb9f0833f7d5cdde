// quorvex.ini: every reading rule, and the file the client writes.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "core/session/client_config.h"

namespace {

class ClientConfigTest : public ::testing::Test {
protected:
    std::string path;
    ClientConfig cfg = {2111, "127.0.0.1"};
    char error[CONFIG_ERROR_TEXT] = {};

    void SetUp() override {
        path = std::string("qx_cfg_") +
               ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".ini";
        std::remove(path.c_str());
    }
    void TearDown() override { std::remove(path.c_str()); }

    void WriteFile(const std::string& content, const char* mode = "wb") {
        FILE* f = std::fopen(path.c_str(), mode);
        ASSERT_NE(f, nullptr);
        std::fwrite(content.data(), 1, content.size(), f);
        std::fclose(f);
    }
    std::string ReadFile(const char* mode = "r") {
        FILE* f = std::fopen(path.c_str(), mode);
        if (f == nullptr)
            return "<missing>";
        std::string s;
        char buf[512];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
            s.append(buf, n);
        std::fclose(f);
        return s;
    }
    int Read() { return ReadClientConfig(path.c_str(), &cfg, error); }
};

TEST_F(ClientConfigTest, MissingFileIsCreatedWithTheDefaults) {
    EXPECT_EQ(Read(), 1);
    EXPECT_EQ(ReadFile(), "SERVER_PORT=2111\nSERVER_IP=127.0.0.1\n");
    EXPECT_EQ(cfg.serverPort, 2111);
    EXPECT_STREQ(cfg.serverIp, "127.0.0.1");
}

TEST_F(ClientConfigTest, EachKeyAloneKeepsTheOtherValue) {
    WriteFile("SERVER_IP=10.0.0.5\n");
    EXPECT_EQ(Read(), 1);
    EXPECT_EQ(cfg.serverPort, 2111);
    EXPECT_STREQ(cfg.serverIp, "10.0.0.5");
    WriteFile("SERVER_PORT=3000\n");
    ClientConfig fresh = {2111, "127.0.0.1"};
    cfg = fresh;
    Read();
    EXPECT_EQ(cfg.serverPort, 3000);
    EXPECT_STREQ(cfg.serverIp, "127.0.0.1");
}

TEST_F(ClientConfigTest, KeysIgnoreCaseAndLaterLinesOverride) {
    WriteFile("server_ip=10.0.0.5\nServer_Port=4000\nSERVER_IP=10.0.0.6\nother=1\n[x]\n");
    Read();
    EXPECT_STREQ(cfg.serverIp, "10.0.0.6");
    EXPECT_EQ(cfg.serverPort, 4000);
}

TEST_F(ClientConfigTest, PortTakesTheLow16BitsAndIgnoresZero) {
    const struct {
        const char* text;
        uint16_t expected;
    } cases[] = {
        {"SERVER_PORT=0\n", 2111},
        {"SERVER_PORT=65536\n", 2111},
        {"SERVER_PORT=65537\n", 1},
        {"SERVER_PORT=70000\n", 4464},
        {"SERVER_PORT=  +80x\n", 80},
        {"SERVER_PORT=-1\n", 65535},
        {"SERVER_PORT=abc\n", 2111},
        {"SERVER_PORT=\n", 2111},
        {"SERVER_PORT = 80\n", 2111},
        {" SERVER_PORT=80\n", 2111},
        // Far past any integer type: the low 16 bits of the number still count.
        {"SERVER_PORT=99999999999999999999\n", 65535},
    };
    for (const auto& c : cases) {
        cfg.serverPort = 2111;
        WriteFile(c.text);
        Read();
        EXPECT_EQ(cfg.serverPort, c.expected) << c.text;
    }
}

TEST_F(ClientConfigTest, AddressLongerThan15CharactersIsIgnored) {
    WriteFile("SERVER_IP=123.123.123.1234\n");
    Read();
    EXPECT_STREQ(cfg.serverIp, "127.0.0.1");
    WriteFile("SERVER_IP=123.123.123.123\n");
    Read();
    EXPECT_STREQ(cfg.serverIp, "123.123.123.123");
    WriteFile("SERVER_IP=not checked\n");
    Read();
    EXPECT_STREQ(cfg.serverIp, "not checked");
}

TEST_F(ClientConfigTest, AddressWithoutLineBreakAndWithCrLf) {
    WriteFile("SERVER_PORT=2200\r\nSERVER_IP=10.1.2.3\r\n");
    Read();
    EXPECT_STREQ(cfg.serverIp, "10.1.2.3");
    EXPECT_EQ(cfg.serverPort, 2200);
    WriteFile("SERVER_IP=10.9.9.9");
    Read();
    EXPECT_STREQ(cfg.serverIp, "10.9.9.9");
}

TEST_F(ClientConfigTest, LongLinesAreReadInPiecesOf255) {
    // The key starts a new 255-character piece and is read as a line of its own.
    std::string line(255, 'x');
    WriteFile(line + "SERVER_PORT=5555\n");
    Read();
    EXPECT_EQ(cfg.serverPort, 5555);
    cfg.serverPort = 2111;
    WriteFile(std::string(254, 'x') + "SERVER_PORT=5555\n");
    Read();
    EXPECT_EQ(cfg.serverPort, 2111);
}

TEST_F(ClientConfigTest, WrittenFileReadsBackUnchanged) {
    ClientConfig written = {4321, "192.168.100.200"};
    ASSERT_EQ(WriteClientConfig(path.c_str(), &written, error), 1);
    const std::string first = ReadFile("rb");
    ClientConfig read = {2111, "127.0.0.1"};
    ASSERT_EQ(ReadClientConfig(path.c_str(), &read, error), 1);
    EXPECT_EQ(read.serverPort, 4321);
    EXPECT_STREQ(read.serverIp, "192.168.100.200");
    ASSERT_EQ(WriteClientConfig(path.c_str(), &read, error), 1);
    EXPECT_EQ(ReadFile("rb"), first);
}

TEST_F(ClientConfigTest, UnwritableFileReportsTheError) {
    const char* bad = "no_such_dir_qx/quorvex.ini";
    EXPECT_EQ(ReadClientConfig(bad, &cfg, error), 0);
    EXPECT_STREQ(error, "Failed to create configuration file");
    EXPECT_EQ(cfg.serverPort, 2111);
}

}  // namespace
