// Configuration documents written by the library and replies parsed into
// the fixed records.
#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <cstring>
#include <string>

#include "device/config_xml.h"

using namespace kestrune;
namespace NS = NVS_SDK_V160;

namespace {
const std::string kDecl = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";
}

TEST(ConfigXml, EthernetDocumentAndMessageHeader) {
  NS::ETH_CONFIG c = {};
  c.dhcp_flag = 1;
  c.ip = inet_addr("192.168.1.10");
  c.netmask = inet_addr("255.255.255.0");
  c.gateway = inet_addr("192.168.1.1");
  c.dns = inet_addr("8.8.8.8");
  const std::string xml = eth_config_xml(c);
  EXPECT_EQ(xml, kDecl +
                     "<set>\r\n<dhcp_flag>1</dhcp_flag>\r\n<ip>192.168.1.10</ip>\r\n"
                     "<netmask>255.255.255.0</netmask>\r\n<gateway>192.168.1.1</gateway>\r\n"
                     "<dns>8.8.8.8</dns>\r\n</set>");
  const std::vector<char> msg = config_message(CFG_ETH_SET, xml);
  ASSERT_EQ(msg.size(), 18 + xml.size());
  const unsigned char head[12] = {0, 0, 0, 0, 8, 0, 0, 0, 0, 0, 2, 3};
  std::uint32_t length, inner;
  std::memcpy(&length, msg.data(), 4);
  std::memcpy(&inner, msg.data() + 6, 4);
  EXPECT_EQ(length, 18 + xml.size());
  EXPECT_EQ(inner, 12 + xml.size());
  EXPECT_EQ(0, std::memcmp(msg.data() + 4, head + 4, 2));
  EXPECT_EQ(0, std::memcmp(msg.data() + 10, head + 10, 2));
  EXPECT_EQ(std::string(msg.data() + 12, 6), std::string(6, '\0'));
  EXPECT_EQ(std::string(msg.data() + 18, xml.size()), xml);
  EXPECT_EQ(config_message(CFG_PTZ_GET).size(), 18u);
}

TEST(ConfigXml, DocumentsWithIrregularLineEnds) {
  NS::WIFI_CONFIG w = {};
  w.wifi_flag = 1;
  std::strcpy(w.ap_list[0].ssid, "home");
  std::strcpy(w.ap_list[0].key, "k&<y");  // written as stored
  w.ap_list[0].enc_type = 3;
  const std::string wifi = wifi_config_xml(w);
  EXPECT_NE(wifi.find("<wdns>0.0.0.0</wdns><ap_selected_id>0</ap_selected_id>\r\n"), std::string::npos);
  EXPECT_NE(wifi.find("<wifi_essid>home</wifi_essid>\r\n<key_id>0</key_id>\r\n<auth_type>0</auth_type>\r\n"
                      "<wifi_encoding_type>3</wifi_encoding_type>\r\n<wifi_encoding_token>k&<y</wifi_encoding_token>\r\n</set>"),
            std::string::npos);
  EXPECT_EQ(wifi_update_ap_xml(), kDecl + "<set>\r\n<refresh_ap_flag>1</refresh_ap_flag>\r\n</set>\r\n");

  NS::RECORD_PLAN plan = {};
  plan.entry_count = 1;
  plan.entries[0] = {1, 8, 18, 2};
  EXPECT_EQ(record_plan_xml(plan),
            kDecl + "<set>\r\n<isDel>0</isDel>\r\n<cycle>2</cycle>\r\n<start_hour>8</start_hour>\r\n"
                    "<end_hour>18</end_hour>\r\n</set>");
  plan.isDel = 1;
  EXPECT_NE(record_plan_xml(plan).find("<delcycle>2</delcycle>\r\n<delhour>8</delhour>\r\n<delendhour>18</delendhour>"),
            std::string::npos);
  EXPECT_EQ(ptz_default_pos_xml({1, 4}),
            kDecl + "<yuntaisetting>\r\n<isDel>1</isDel>\r\n<resv_idx_to_del>4</resv_idx_to_del>\r\n</yuntaisetting>");

  NS::SERVICE_CONFIG s = {};
  std::strcpy(s.ap_ssid, "never-written");
  EXPECT_EQ(service_config_xml(s).find("ap_ssid"), std::string::npos);
}

TEST(ConfigXml, WirelessReplyListsAccessPoints) {
  const std::string text =
      "<wifi_flag>1</wifi_flag><wip>10.0.0.5</wip><wifi_encoding_token>tok</wifi_encoding_token>"
      "<ap_entry_list>"
      "<ap_entry><id>1</id><ssid>one</ssid><key>k1</key><auth_type>2</auth_type></ap_entry>"
      "<ap_entry><id>2</id><ssid>two</ssid><enc_type>4</enc_type></ap_entry>"
      "<ap_entry><id>3</id><ssid>three</ssid><key_id>7</key_id></ap_entry>"
      "</ap_entry_list>";
  NS::WIFI_CONFIG c;
  parse_wifi_config(ConfigReply(text), &c);
  EXPECT_EQ(+c.wifi_flag, 1);
  EXPECT_EQ(+c.wip, inet_addr("10.0.0.5"));
  EXPECT_EQ(+c.wgateway, INADDR_NONE);  // missing address
  EXPECT_STREQ(c.wifi_encoding_token, "tok");
  ASSERT_EQ(c.ap_count, 3);
  EXPECT_STREQ(c.ap_list[0].ssid, "one");
  EXPECT_EQ(+c.ap_list[0].auth_type, 2);
  EXPECT_EQ(+c.ap_list[1].enc_type, 4);
  EXPECT_EQ(+c.ap_list[2].key_id, 7);
}

TEST(ConfigXml, RepliesWithSetsProfilesAndCounters) {
  NS::PTZ_CONFIG p;
  EXPECT_FALSE(parse_ptz_config(ConfigReply("<gm_loc>3</gm_loc><ptz_entry_set></ptz_entry_set>"), &p));
  EXPECT_EQ(+p.gm_loc, 3);
  EXPECT_EQ(+p.preset_count, 0);
  EXPECT_TRUE(parse_ptz_config(
      ConfigReply("<ptz_entry_set><ptz_entry><resv_idx>2</resv_idx><resv_x>100</resv_x><resv_y>200</resv_y></ptz_entry>"
                  "<ptz_entry><resv_idx>9</resv_idx></ptz_entry></ptz_entry_set>"),
      &p));
  EXPECT_EQ(+p.preset_count, 1);  // index 9 is not a preset
  EXPECT_EQ(+p.presets[1].index, 2);
  EXPECT_EQ(+p.presets[1].x, 100);
  EXPECT_EQ(+p.presets[1].y, 200);

  NS::RECORD_CONFIG r;
  parse_record_config(ConfigReply("<auto_rec>1</auto_rec><rec_entry_set><rec_entry><id>1</id><s_hour>6</s_hour>"
                                  "<e_hour>9</e_hour><video_cycle>1</video_cycle></rec_entry></rec_entry_set>"),
                      &r);
  EXPECT_EQ(+r.auto_rec, 1);
  ASSERT_EQ(r.entry_count, 1);
  EXPECT_EQ(+r.entries[0].e_hour, 9);

  // A 64-byte dial number reaches into the next profile until that
  // profile's own user name is read.
  NS::_3G_CONFIG g;
  parse_g3_config(ConfigReply("<W_PPP_DIAL_NUM>" + std::string(60, '9') + "</W_PPP_DIAL_NUM><TD_USERNAME>u</TD_USERNAME>"
                              "<E_PPP_DIAL_NUM>*99#</E_PPP_DIAL_NUM>"),
                  &g);
  EXPECT_EQ(std::string(NS::profile_dial_number(g, 0), 48), std::string(48, '9'));
  EXPECT_STREQ(g.profile[1].user_name, "u");
  EXPECT_STREQ(NS::profile_dial_number(g, 2), "*99#");

  NS::_3G_STATUS st;
  parse_3g_status(ConfigReply("<cs_signal_value>23</cs_signal_value><ppp_usage_mon>5000000000</ppp_usage_mon>"), &st);
  EXPECT_EQ(+st.cs_signal_value, 23);
  EXPECT_EQ(+st.ppp_usage_mon, 5000000000LL);
  EXPECT_EQ(+st.ppp_usage_day, 0);

  // Values longer than a field are cut and stay terminated.
  NS::ADMIN_PASS_CONFIG a;
  parse_admin_pass(ConfigReply("<username>" + std::string(40, 'x') + "</username>"), &a);
  EXPECT_EQ(std::string(a.username), std::string(31, 'x'));

  EXPECT_EQ(parse_config_result(ConfigReply("<result>0</result>")), 0);
  EXPECT_EQ(parse_config_result(ConfigReply("")), -1);
}
