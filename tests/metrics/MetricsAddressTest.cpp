// "[ADDRESS:]PORT" as --metrics and the recorder's settings take it: the four
// forms, and what is refused with the reason given.
#include <gtest/gtest.h>

#include "metrics/MetricsAddress.h"

#include <string>

namespace {

TEST(MetricsAddress, TakesAPortAloneOrAfterANumericAddress)
{
    struct TCase {
        const char* Text;
        const char* Address;
        int Port;
    };
    for (const TCase& c :
         {TCase{"9478", "", 9478}, TCase{"127.0.0.1:9478", "127.0.0.1", 9478}, TCase{"[::1]:9478", "::1", 9478},
          TCase{"0.0.0.0:9478", "0.0.0.0", 9478}, TCase{"1", "", 1}, TCase{"65535", "", 65535},
          TCase{"[::]:80", "::", 80}, TCase{"[fe80::1%lo]:9100", "fe80::1%lo", 9100}, TCase{"09478", "", 9478}}) {
        SCOPED_TRACE(c.Text);
        TMetricsAddress address{"left", -1};
        std::string error;
        ASSERT_TRUE(ParseMetricsAddress(c.Text, address, error)) << error;
        EXPECT_EQ(address.Address, c.Address);
        EXPECT_EQ(address.Port, c.Port);
    }
}

TEST(MetricsAddress, RefusesWhatIsNotAddressAndPortSayingWhy)
{
    struct TCase {
        const char* Text;
        const char* Why;
    };
    for (const TCase& c : {
             TCase{"", "the port \"\" is not a number 1..65535"},
             TCase{"0", "the port \"0\" is not a number 1..65535"},
             TCase{"65536", "the port \"65536\" is not a number 1..65535"},
             TCase{"100000", "the port \"100000\" is not a number 1..65535"},
             TCase{"+9478", "the port \"+9478\""},
             TCase{" 9478", "the port \" 9478\""},
             TCase{"9478 ", "the port \"9478 \""},
             TCase{"94x8", "the port \"94x8\""},
             TCase{"127.0.0.1:", "the port \"\""},
             TCase{"127.0.0.1:0", "the port \"0\""},
             TCase{":9478", "\"\" is not an IP address"},
             TCase{"localhost:9478", "\"localhost\" is not an IP address"},
             TCase{"1.2.3:9478", "\"1.2.3\" is not an IP address"},
             TCase{"127.1:9478", "\"127.1\" is not an IP address"},
             TCase{"256.0.0.1:9478", "\"256.0.0.1\" is not an IP address"},
             TCase{" 127.0.0.1:9478", "\" 127.0.0.1\" is not an IP address"},
             TCase{"::1:9478", "write an IPv6 address in brackets"},
             TCase{"::1", "write an IPv6 address in brackets"},
             TCase{"[::1]", "needs \":PORT\" after it"},
             TCase{"[::1]9478", "needs \":PORT\" after it"},
             TCase{"[127.0.0.1]:9478", "\"127.0.0.1\" is not an IPv6 address"},
             TCase{"[]:9478", "\"\" is not an IPv6 address"},
             TCase{"[::g]:9478", "\"::g\" is not an IPv6 address"},
             TCase{"[::1]:", "the port \"\""},
         }) {
        SCOPED_TRACE(c.Text);
        TMetricsAddress address{"left", 7};
        std::string error;
        ASSERT_FALSE(ParseMetricsAddress(c.Text, address, error));
        EXPECT_NE(error.find(std::string("\"") + c.Text + "\" is not [ADDRESS:]PORT"), std::string::npos) << error;
        EXPECT_NE(error.find(c.Why), std::string::npos) << error;
        EXPECT_EQ(address.Address, "left") << "a refused text changes nothing";
        EXPECT_EQ(address.Port, 7);
    }
}

}  // namespace
