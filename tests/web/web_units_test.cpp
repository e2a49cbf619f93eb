// The web page's pieces that read what a user typed or a file holds: the
// listen address, the stored password hash, the session cookie, the metric
// label escaping, the browser's language.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "password_hash.h"
#include "web_config.h"
#include "web_metrics.h"
#include "web_sessions.h"
#include "live_snapshot.h"
#include "run_result.h"
#include "web_pages.h"
#include "web_texts.h"
#include "private_file.h"

namespace velmora {
namespace {

TEST(WebConfig, ListenAddressIsAnIpLiteralAndAPort) {
  WebListen l;
  EXPECT_EQ(parse_web_listen("8080", l), "");
  EXPECT_EQ(web_listen_text(l), "127.0.0.1:8080");
  EXPECT_EQ(parse_web_listen("[::1]:0", l), "");
  EXPECT_EQ(web_listen_text(l), "[::1]:0");
  EXPECT_TRUE(is_loopback_address(l.address));
  EXPECT_EQ(parse_web_listen("0.0.0.0:80", l), "");
  EXPECT_FALSE(is_loopback_address(l.address));
  for (const char* bad : {"", ":80", "65536", "80x", "-1", "10.1:80", "host.example:80",
                          "1.2.3.4:", "fe80::1%eth0:80", "999999999999:1"})
    EXPECT_NE(parse_web_listen(bad, l), "") << bad;
}

TEST(WebConfig, NonLoopbackNeedsAPasswordAndTheFileRoundTrips) {
  WebConfig c;
  EXPECT_EQ(web_refusal(c), "");  // off
  ASSERT_EQ(parse_web_listen("192.168.1.5:8080", c.listen), "");
  EXPECT_NE(web_refusal(c).find("velmora settings web-password"), std::string::npos);
  c.password_hash = hash_password("pw", 1000);
  EXPECT_EQ(web_refusal(c), "");

  QTemporaryDir dir;
  const std::string path = dir.path().toStdString() + "/web.txt";
  ASSERT_TRUE(save_web_config(path, c));
  const WebConfig back = load_web_config(path);
  EXPECT_EQ(web_listen_text(back.listen), "192.168.1.5:8080");
  EXPECT_TRUE(verify_password("pw", back.password_hash));
  // A doctored listen line is skipped, not half taken.
  ASSERT_TRUE(replace_private_file(path, "listen 10.1:80\npassword x\n"));
  EXPECT_FALSE(load_web_config(path).listen.on);
}

TEST(PasswordHash, SaltedAndOnlyWellFormedHashesVerify) {
  const std::string a = hash_password("secret", 1000), b = hash_password("secret", 1000);
  EXPECT_NE(a, b);  // salted
  EXPECT_EQ(a.find("secret"), std::string::npos);
  EXPECT_TRUE(verify_password("secret", a));
  EXPECT_FALSE(verify_password("Secret", a));
  EXPECT_FALSE(verify_password("", a));
  for (const std::string& bad :
       {std::string(), std::string("secret"), std::string("pbkdf2-sha256$1000$$"),
        std::string("pbkdf2-sha256$0$c2FsdHNhbHQ=$") + a.substr(a.rfind('$') + 1),
        std::string("pbkdf2-sha256$999999999999$c2FsdHNhbHQ=$") + a.substr(a.rfind('$') + 1),
        std::string("md5$1000$c2FsdHNhbHQ=$") + a.substr(a.rfind('$') + 1),
        a.substr(0, a.size() - 4)})
    EXPECT_FALSE(verify_password("secret", bad)) << bad;
}

TEST(WebSessions, CookiesAreSignedAndTokensBoundToTheirSession) {
  WebSessions s, other;
  const QByteArray anon = s.issue(false), in = s.issue(true);
  EXPECT_TRUE(s.valid(anon, false));
  EXPECT_FALSE(s.valid(anon, true));
  EXPECT_TRUE(s.valid(in, true));
  EXPECT_FALSE(other.valid(in, false));  // another start's key
  QByteArray promoted = anon;
  promoted[promoted.indexOf('.') + 1] = '1';
  EXPECT_FALSE(s.valid(promoted, true));  // the sign-in mark is signed too
  EXPECT_TRUE(s.token_matches(anon, s.token(anon)));
  EXPECT_FALSE(s.token_matches(in, s.token(anon)));
  EXPECT_FALSE(s.token_matches("garbage", s.token("garbage")));  // no token without a session
  EXPECT_FALSE(s.token_matches(anon, ""));
}

TEST(WebSessions, AFailedLoginMakesTheNextWaitLonger) {
  WebSessions s;
  EXPECT_EQ(s.login_wait_ms(0), 0);
  s.login_failed(0);
  EXPECT_EQ(s.login_wait_ms(0), 1000);
  s.login_failed(1000);
  EXPECT_EQ(s.login_wait_ms(1000), 2000);
  for (int i = 0; i < 10; ++i) s.login_failed(5000);
  EXPECT_EQ(s.login_wait_ms(5000), 30000);
  s.login_succeeded();
  s.login_failed(100000);
  EXPECT_EQ(s.login_wait_ms(100000), 1000);
}

TEST(WebTexts, TheBrowsersFirstChoiceDecidesTheLanguage) {
  EXPECT_EQ(web_language("zh-CN,zh;q=0.9,en;q=0.8"), WebLanguage::Chinese);
  EXPECT_EQ(web_language("ZH-tw"), WebLanguage::Chinese);
  EXPECT_EQ(web_language("en-US,en;q=0.9,zh-CN;q=0.8"), WebLanguage::English);
  EXPECT_EQ(web_language("en;q=0.5, zh;q=0.7"), WebLanguage::Chinese);  // weights, not order
  EXPECT_EQ(web_language("zh;q=0, en"), WebLanguage::English);          // q=0: not acceptable
  for (const char* other : {"", "zhx", "fr, zh", "*", "zh;q=abc", ";;,,"})
    EXPECT_EQ(web_language(other), WebLanguage::English) << other;
}

// The page names every state and outcome the engine has in Chinese; a new
// word needs its line in the page's table and the catalogue.
TEST(WebTexts, EveryStateAndOutcomeWordHasItsChineseName) {
  std::vector<std::string> words = live_state_words();
  for (const std::string& w : outcome_words()) words.push_back(w);
  words.push_back("up-to-date");
  for (const std::string& w : words) {
    const QString word = QString::fromStdString(w);
    const QByteArray page = cameras_page({QJsonObject{{"id", 1}, {"last_outcome", word},
                                                      {"live", QJsonObject{{"state", word}}}}},
                                         PageContext{"t", false, WebLanguage::Chinese});
    EXPECT_FALSE(page.contains("<td class=\"state\">" + word.toUtf8() + "<")) << w;
    EXPECT_TRUE(cameras_page({}, PageContext{"t", false, WebLanguage::English})
                    .contains("&quot;" + word.toUtf8() + "&quot;:&quot;" + word.toUtf8()))
        << w;
  }
}

TEST(Metrics, LabelValuesAreEscaped) {
  EXPECT_EQ(metric_label("a\"b\\c\nd"), "a\\\"b\\\\c\\nd");
}

}  // namespace
}  // namespace velmora
