#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fstream>

#include <arpa/inet.h>
#include <netdb.h>

#include "net/BlockSocket.h"
#include "net/SocketError.h"
#include "net/SocketErrors.h"
#include "net/SocketInterface.h"

TEST(AddressLiterals, IPv4)
{
    for (const char* yes :
         {"127.0.0.1", "0.0.0.0", "255.255.255.255", "010.001.000.9", " 1 . 2 .3. 4 ", "0000000000192.168.1.1"})
        EXPECT_TRUE(IsIPv4Literal(yes)) << yes;
    for (const char* no : {"", "256.0.0.1", "1.2.3", "1.2.3.4.5", "1.2.3.a", "1..2.3", "1.2.3.", ".1.2.3", "1.2.3.-4",
                           "+1.2.3.4", "1.2.3.99999999999999999999", "::1", "1.2.3.4 x", "0x7f.0.0.1"})
        EXPECT_FALSE(IsIPv4Literal(no)) << no;
}

TEST(AddressLiterals, IPv6)
{
    for (const char* yes : {"::", "::1", "fe80::1", "FE80::ABCD", "1:2:3:4:5:6:7:8", "::1:2:3:4:5:6:7", "1:2",
                            "fe80::1%2", "0000::00001", " fe80 :: 1 ",
                            // An empty first group is neither a group nor a gap.
                            ":1:2", ":1::2"})
        EXPECT_TRUE(IsIPv6Literal(yes)) << yes;
    for (const char* no :
         {"", ":", ":::", "1::2::3", "1234", "1:2:3:4:5:6:7:8:9", "1::", "fe80::", ":1", "12345::1", "g::1",
          "fe80::1%eth0", "fe80::1%", "::ffff:1.2.3.4", "127.0.0.1", "1:2:3:4:5:6:7::8", ":::1"})
        EXPECT_FALSE(IsIPv6Literal(no)) << no;
}

TEST(AddressLiterals, IPv6Constants)
{
    in6_addr any{};
    in6_addr loopback{};
    ASSERT_EQ(inet_pton(AF_INET6, "::", &any), 1);
    ASSERT_EQ(inet_pton(AF_INET6, "::1", &loopback), 1);
    EXPECT_EQ(std::memcmp(&IPv6AnyAddress, &any, sizeof any), 0);
    EXPECT_EQ(std::memcmp(&IPv6LoopbackAddress, &loopback, sizeof loopback), 0);
}

TEST(AddressLiterals, NeverBothFamilies)
{
    for (const char* text : {"1.2.3.4", "::1", "1:2", "1.2.3.4:5", "::1.2.3.4", "1.2.3::4"})
        EXPECT_FALSE(IsIPv4Literal(text) && IsIPv6Literal(text)) << text;
}

TEST(FillSocketAddress, LoopbackAndAnyWithoutLookup)
{
    TVarSin sin;
    ASSERT_EQ(FillSocketAddress(sin, "127.0.0.1", "23", SF_IP4, true, SOCK_STREAM, IPPROTO_TCP), 0);
    EXPECT_EQ(sin.sa.sa_family, AF_INET);
    EXPECT_EQ(SizeOfVarSin(sin), 16u);
    EXPECT_EQ(GetSinIP(sin), "127.0.0.1");
    EXPECT_EQ(GetSinPort(sin), 23);

    ASSERT_EQ(FillSocketAddress(sin, "0.0.0.0", "0", SF_IP4, true, SOCK_STREAM, IPPROTO_TCP), 0);
    EXPECT_EQ(GetSinIP(sin), "0.0.0.0");

    ASSERT_EQ(FillSocketAddress(sin, "::1", "2323", SF_IP6, true, SOCK_STREAM, IPPROTO_TCP), 0);
    EXPECT_EQ(sin.sa.sa_family, AF_INET6);
    EXPECT_EQ(SizeOfVarSin(sin), 28u);
    EXPECT_EQ(GetSinIP(sin), "::1");
    EXPECT_EQ(GetSinPort(sin), 2323);
}

TEST(FillSocketAddress, NumericAddressAndUnspecifiedFamily)
{
    TVarSin sin;
    ASSERT_EQ(FillSocketAddress(sin, "10.1.2.3", "8080", SF_Any, true, SOCK_STREAM, IPPROTO_TCP), 0);
    EXPECT_EQ(GetSinIP(sin), "10.1.2.3");
    EXPECT_EQ(GetSinPort(sin), 8080);
    // An IPv6 literal fails the IPv4 pass and is found by the IPv6 pass.
    ASSERT_EQ(FillSocketAddress(sin, "fe80::7", "1", SF_Any, true, SOCK_STREAM, IPPROTO_TCP), 0);
    EXPECT_EQ(sin.sa.sa_family, AF_INET6);
    // Asked for IPv4 only, an IPv6 literal is a resolver failure.
    const int code = FillSocketAddress(sin, "fe80::7", "1", SF_IP4, true, SOCK_STREAM, IPPROTO_TCP);
    EXPECT_GE(code, 11001);
    EXPECT_LE(code, 11004);
}

TEST(FillSocketAddress, NamesPreferIPv4)
{
    TVarSin sin;
    const int code = FillSocketAddress(sin, "localhost", "23", SF_Any, true, SOCK_STREAM, IPPROTO_TCP);
    if (code != 0)
        GTEST_SKIP() << "no resolver entry for localhost";
    EXPECT_EQ(sin.sa.sa_family, AF_INET);
    EXPECT_EQ(GetSinPort(sin), 23);
}

TEST(FillSocketAddress, ServiceNames)
{
    if (getservbyname("telnet", "tcp") == nullptr)
        GTEST_SKIP() << "no services database";
    TVarSin sin;
    ASSERT_EQ(FillSocketAddress(sin, "127.0.0.1", "telnet", SF_IP4, true, SOCK_STREAM, IPPROTO_TCP), 0);
    EXPECT_EQ(GetSinPort(sin), 23);
}

TEST(FillSocketAddress, UnknownHostIsAResolverCode)
{
    TVarSin sin;
    const int code = FillSocketAddress(sin, "quillmont-nowhere.invalid", "23", SF_Any, true, SOCK_STREAM, IPPROTO_TCP);
    EXPECT_GE(code, 11001);
    EXPECT_LE(code, 11004);
    EXPECT_EQ(SizeOfVarSin(sin), 0u);
}

TEST(SocketInterface, LoadCounting)
{
    const int base = SocketInterfaceLoadCount();
    EXPECT_TRUE(LoadSocketInterface(""));
    EXPECT_TRUE(LoadSocketInterface("ws2_32.dll"));
    EXPECT_EQ(SocketInterfaceLoadCount(), base + 2);
    EXPECT_TRUE(UnloadSocketInterface());
    EXPECT_EQ(SocketInterfaceLoadCount(), base + 1);
    EXPECT_TRUE(EnhancedApi());
    EXPECT_TRUE(UnloadSocketInterface());
    EXPECT_EQ(SocketInterfaceLoadCount(), base);
    // The count never goes below zero.
    for (int i = 0; i < base + 2; ++i)
        UnloadSocketInterface();
    EXPECT_EQ(SocketInterfaceLoadCount(), 0);
    EXPECT_NO_THROW(SocketStartup());
    EXPECT_EQ(SocketInterfaceLoadCount(), 1);
    SocketCleanup();
    EXPECT_EQ(SocketInterfaceLoadCount(), 0);
    EXPECT_STREQ(SocketInterfaceLoadError, "Error loading Socket interface (ws2_32.dll)!");
}

TEST(Ticks, DifferenceAcrossWrapAround)
{
    EXPECT_EQ(TickDifference(100, 100), 0u);
    EXPECT_EQ(TickDifference(100, 350), 250u);
    EXPECT_EQ(TickDifference(0xFFFFFFF0u, 0x10u), 0x20u);
    EXPECT_EQ(TickDifference(0xFFFFFFFFu, 0u), 1u);
    const uint32_t a = MillisecondTick();
    const uint32_t b = MillisecondTick();
    EXPECT_LT(TickDifference(a, b), 1000u);
}

TEST(SocketErrors, DescriptionTable)
{
    EXPECT_EQ(TBlockSocket::GetErrorDesc(0), "");
    EXPECT_EQ(TBlockSocket::GetErrorDesc(10004), "Interrupted system call");
    EXPECT_EQ(TBlockSocket::GetErrorDesc(10035), "Operation would block");
    EXPECT_EQ(TBlockSocket::GetErrorDesc(10041), "Protocol wrong type for Socket");
    EXPECT_EQ(TBlockSocket::GetErrorDesc(10049), "Can't assign requested address");
    EXPECT_EQ(TBlockSocket::GetErrorDesc(10053), "Software caused connection abort");
    EXPECT_EQ(TBlockSocket::GetErrorDesc(10054), "Connection reset by peer");
    EXPECT_EQ(TBlockSocket::GetErrorDesc(10055), "No Buffer space available");
    EXPECT_EQ(TBlockSocket::GetErrorDesc(10059), "Too many references:can't splice");
    EXPECT_EQ(TBlockSocket::GetErrorDesc(10060), "Connection timed out");
    EXPECT_EQ(TBlockSocket::GetErrorDesc(10061), "Connection refused");
    EXPECT_EQ(TBlockSocket::GetErrorDesc(10071), "Too many levels of remote in path");
    EXPECT_EQ(TBlockSocket::GetErrorDesc(10092), "Winsock DLL cannot support this application");
    EXPECT_EQ(TBlockSocket::GetErrorDesc(10101), "Disconnect");
    EXPECT_EQ(TBlockSocket::GetErrorDesc(11001), "Host not found");
    EXPECT_EQ(TBlockSocket::GetErrorDesc(11002), "Non authoritative - host not found");
    EXPECT_EQ(TBlockSocket::GetErrorDesc(11004), "Valid name, no data record of requested type");
    EXPECT_EQ(TBlockSocket::GetErrorDesc(10072), "Other Winsock error (10072)");
    EXPECT_EQ(TBlockSocket::GetErrorDesc(-5), "Other Winsock error (-5)");
    int known = 0;
    for (int code = 1; code < 12000; ++code)
        if (TBlockSocket::GetErrorDesc(code).rfind("Other Winsock error (", 0) != 0)
            ++known;
    EXPECT_EQ(known, 51);
}

TEST(SocketErrors, ErrnoMappedByConditionName)
{
    EXPECT_EQ(ErrnoToSocketError(0), 0);
    EXPECT_EQ(ErrnoToSocketError(ECONNREFUSED), 10061);
    EXPECT_EQ(ErrnoToSocketError(ETIMEDOUT), 10060);
    EXPECT_EQ(ErrnoToSocketError(ECONNRESET), 10054);
    EXPECT_EQ(ErrnoToSocketError(EWOULDBLOCK), 10035);
    EXPECT_EQ(ErrnoToSocketError(EAGAIN), 10035);
    EXPECT_EQ(ErrnoToSocketError(EINPROGRESS), 10036);
    EXPECT_EQ(ErrnoToSocketError(EHOSTUNREACH), 10065);
    EXPECT_EQ(ErrnoToSocketError(ENETUNREACH), 10051);
    EXPECT_EQ(ErrnoToSocketError(EADDRINUSE), 10048);
    EXPECT_EQ(ErrnoToSocketError(ENOTCONN), 10057);
    EXPECT_EQ(ErrnoToSocketError(EPIPE), 10058);
    EXPECT_EQ(ErrnoToSocketError(EREMOTE), 10071);
    EXPECT_EQ(ResolverErrorToSocketError(0, 0), 0);
    EXPECT_EQ(ResolverErrorToSocketError(EAI_NONAME, 0), 11001);
    EXPECT_EQ(ResolverErrorToSocketError(EAI_AGAIN, 0), 11002);
    EXPECT_EQ(ResolverErrorToSocketError(EAI_FAIL, 0), 11003);
    EXPECT_EQ(ResolverErrorToSocketError(EAI_NODATA, 0), 11004);
    EXPECT_EQ(ResolverErrorToSocketError(EAI_ADDRFAMILY, 0), 11004);
    EXPECT_EQ(ResolverErrorToSocketError(EAI_SYSTEM, ECONNREFUSED), 10061);
}

TEST(SocketErrors, ExceptionCarriesCodeAndText)
{
    const ESocketError e = ESocketError::FromCode(10060, "Connection timed out");
    EXPECT_STREQ(e.what(), "TCP/IP Socket error 10060: Connection timed out");
    EXPECT_EQ(e.ErrorCode(), 10060);
    EXPECT_EQ(e.ErrorMessage(), "Connection timed out");
}
