// The HTTP client against servers the tests start on 127.0.0.1.
#include "host/inet_client.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "host/loopback_server.h"
#include "host/test_certs.h"
#include "platform/net/http_session.h"

namespace ht {
namespace {

using ht_test::HttpReply;
using ht_test::TLoopbackServer;
using ht_test::TLoopReply;
using ht_test::TLoopRequest;

String U(const std::string& s) { return Utf8ToString(s); }

template <class F>
int osErrorOf(F call) {
  try {
    call();
  } catch (const EOSError& e) {
    return e.ErrorCode();
  } catch (const std::exception& e) {
    ADD_FAILURE() << "unexpected exception: " << e.what();
    return -1;
  }
  return 0;
}

template <class F>
std::string inetErrorOf(F call) {
  try {
    call();
  } catch (const EHtInetException& e) {
    return e.what();
  } catch (const std::exception& e) {
    return std::string("other: ") + e.what();
  }
  return "";
}

// The server counts on its own threads: wait for it, briefly.
template <class F>
bool eventually(F done) {
  for (int i = 0; i < 200 && !done(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return done();
}

// Names of the request's headers, in order, without Host.
std::vector<std::string> headerNames(const TLoopRequest& r) {
  std::vector<std::string> names;
  for (const auto& h : r.Headers)
    if (h.first != "Host") names.push_back(h.first);
  return names;
}

TLoopReply echoTarget(const TLoopRequest& r) { return {HttpReply(200, "text/plain", r.Method + " " + r.Target)}; }

TEST(InetClientTest, StartUpNestsAndClientsHoldTheService) {
  const int before = HttpServiceOpenCount();
  HtInetInitialize();
  HtInetInitialize();
  EXPECT_EQ(HttpServiceOpenCount(), before + 1);
  {
    THtInetClient client;
    EXPECT_EQ(HttpServiceOpenCount(), before + 2);
  }
  HtInetFinalize();
  EXPECT_EQ(HttpServiceOpenCount(), before + 1);
  HtInetFinalize();
  HtInetFinalize();  // one too many does nothing
  EXPECT_EQ(HttpServiceOpenCount(), before);
}

TEST(InetClientTest, HeadersInOrderAndAuthorizationOnlyWithPassword) {
  TLoopbackServer server(echoTarget);
  THtInetClient client;
  client.User = u"user";
  client.Referer = u"http://example.test/from";
  EXPECT_EQ(client.Get(U(server.Url("/a"))), u"GET /a");
  client.Password = u"pass";
  client.Get(U(server.Url("/b")));

  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(headerNames(requests[0]), (std::vector<std::string>{"Referer", "User-Agent", "Connection"}));
  EXPECT_EQ(headerNames(requests[1]),
            (std::vector<std::string>{"Authorization", "Referer", "User-Agent", "Connection"}));
  EXPECT_EQ(requests[1].Header("Authorization"), "Basic dXNlcjpwYXNz");
  EXPECT_EQ(requests[1].Header("Referer"), "http://example.test/from");
  EXPECT_EQ(requests[1].Header("User-Agent"), "Mozilla/5.0");
  EXPECT_EQ(requests[1].Header("Connection"), "keep-alive");
  EXPECT_EQ(client.ResponseCode, 200u);
  EXPECT_EQ(client.ResponseContentType, u"text/plain");

  // A value with a line break would smuggle a header in: refused.
  client.Referer = u"x\r\nX-Evil: 1";
  EXPECT_NE(inetErrorOf([&] { client.Get(U(server.Url("/c"))); }), "");
  EXPECT_EQ(server.Requests().size(), 2u);
}

TEST(InetClientTest, PostAndDeleteSendTypeLengthAndBody) {
  TLoopbackServer server(echoTarget);
  THtInetClient client;
  const std::string query = "name=caf\xC3\xA9&x=1";
  EXPECT_EQ(client.Post(U(server.Url("/post")), query, u""), u"POST /post");
  EXPECT_EQ(client.ContentType, u"text/html; charset=utf-8");  // kept for later requests
  EXPECT_EQ(client.Delete(U(server.Url("/item/7")), "", u"application/json"), u"DELETE /item/7");
  client.Get(U(server.Url("/after")));

  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(headerNames(requests[0]),
            (std::vector<std::string>{"Content-Type", "Content-Length", "User-Agent", "Connection"}));
  EXPECT_EQ(requests[0].Header("Content-Type"), "text/html; charset=utf-8");
  EXPECT_EQ(requests[0].Header("Content-Length"), std::to_string(query.size()));
  EXPECT_EQ(requests[0].Body, query);
  EXPECT_EQ(requests[1].Method, "DELETE");
  EXPECT_EQ(requests[1].Header("Content-Type"), "application/json");
  EXPECT_EQ(requests[1].Header("Content-Length"), "0");
  EXPECT_EQ(requests[2].Method, "GET");
  EXPECT_EQ(requests[2].Header("Content-Type"), "application/json");
  EXPECT_FALSE(requests[2].HasHeader("Content-Length"));
}

TEST(InetClientTest, PathsOnOneHostShareOneConnection) {
  TLoopbackServer server(echoTarget);
  TLoopbackServer other(echoTarget);
  THtInetClient client;
  EXPECT_EQ(client.Get(U(server.Url("/one"))), u"GET /one");
  EXPECT_EQ(client.Get(U(server.Url("/two?q=1#frag"))), u"GET /two?q=1");
  EXPECT_EQ(client.Get(U(server.Url("/two?q=1#frag"))), u"GET /two?q=1");
  EXPECT_EQ(server.Connections(), 1);
  // Another port is another connection; coming back opens a third.
  client.Get(U(other.Url("/x")));
  client.Get(U(server.Url("/one")));
  EXPECT_EQ(server.Connections(), 2);
}

TEST(ExtractCharsetTest, Table) {
  const struct {
    const char16_t* type;
    const char16_t* charset;
  } cases[] = {
      {u"text/html; charset=UTF-8", u"utf-8"},
      {u"text/html;charset= Windows-1251 ; q=1", u"windows-1251"},
      {u"text/html; charset=\"utf-8\"", u"\"utf-8\""},
      {u"text/html", u""},
      {u"text/html; charset=", u""},
      {u"", u""},
      {u"charset=\xFFFD;;;charset=x", u"\xFFFD"},
  };
  for (const auto& c : cases) EXPECT_EQ(ExtractCharset(c.type), c.charset) << StringToUtf8(c.type);
}

TEST(InetClientTest, TextIsUtf8OnlyForCharsetUtf8) {
  TLoopbackServer server([](const TLoopRequest& r) {
    return TLoopReply{HttpReply(200, r.Header("Content-Type"), "caf\xC3\xA9")};
  });
  const struct {
    const char* type;
    const char16_t* text;
  } cases[] = {
      {"text/html; charset=UTF-8", u"caf\u00E9"},
      {"text/html; charset=utf8", u"caf\u00C3\u00A9"},
      {"text/html; charset=\"utf-8\"", u"caf\u00C3\u00A9"},
      {"text/html", u"caf\u00C3\u00A9"},
      {"text/html; charset=\x01\x7F garbage", u"caf\u00C3\u00A9"},
  };
  THtInetClient client;
  for (const auto& c : cases) {
    // The test server answers with the type the request names.
    EXPECT_EQ(client.Post(U(server.Url("/t")), "", U(c.type)), c.text) << c.type;
  }
}

TEST(InetClientTest, StatusCodes) {
  TLoopbackServer server([](const TLoopRequest& r) {
    if (r.Target == "/secret") return TLoopReply{HttpReply(401, "text/plain", "denied")};
    return TLoopReply{HttpReply(404, "text/html", "<p>missing</p>")};
  });
  THtInetClient client;
  EXPECT_EQ(inetErrorOf([&] { client.Get(U(server.Url("/secret"))); }), "401: denied");
  EXPECT_EQ(client.ResponseCode, 401u);
  const TBytes bytes = client.GetBytes(U(server.Url("/gone")));
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "<p>missing</p>");
  EXPECT_EQ(client.Get(U(server.Url("/gone"))), u"<p>missing</p>");
  EXPECT_EQ(client.ResponseCode, 404u);
}

TEST(InetClientTest, ChunkedBodiesAndRedirects) {
  TLoopbackServer server([](const TLoopRequest& r) {
    if (r.Target == "/chunked")
      return TLoopReply{
          "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nHello\r\n7\r\n, world\r\n0\r\n\r\n"};
    if (r.Target == "/moved") return TLoopReply{HttpReply(302, "", "", "Location: /chunked\r\n")};
    if (r.Target == "/loop") return TLoopReply{HttpReply(302, "", "", "Location: /loop\r\n")};
    return TLoopReply{HttpReply(200, "", "")};
  });
  THtInetClient client;
  EXPECT_EQ(client.Get(U(server.Url("/chunked"))), u"Hello, world");
  EXPECT_EQ(client.Get(U(server.Url("/moved"))), u"Hello, world");
  EXPECT_EQ(osErrorOf([&] { client.GetBytes(U(server.Url("/loop"))); }), NET_ERROR_REDIRECT_FAILED);
  size_t loops = 0;
  for (const auto& r : server.Requests()) loops += r.Target == "/loop";
  EXPECT_EQ(loops, 11u);  // the first request and ten redirects
}

TEST(InetClientTest, CredentialsStayWithTheirHost) {
  TLoopbackServer target(echoTarget);
  const std::string elsewhere = target.Url("/landing");
  TLoopbackServer server([&](const TLoopRequest&) {
    return TLoopReply{HttpReply(301, "", "", "Location: " + elsewhere + "\r\n")};
  });
  THtInetClient client;
  client.User = u"user";
  client.Password = u"pass";
  EXPECT_EQ(client.Get(U(server.Url("/start"))), u"GET /landing");
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_TRUE(server.Requests()[0].HasHeader("Authorization"));
  ASSERT_EQ(target.Requests().size(), 1u);
  EXPECT_FALSE(target.Requests()[0].HasHeader("Authorization"));
}

TEST(InetClientTest, TimeOutLimitsAnIdleResponse) {
  TLoopbackServer server([](const TLoopRequest&) { return TLoopReply{HttpReply(200, "", "late"), 5000}; });
  THtInetClient client;
  client.TimeOut = 200;
  EXPECT_EQ(osErrorOf([&] { client.Get(U(server.Url("/slow"))); }), NET_ERROR_TIMEOUT);
}

TEST(InetClientTest, LongUrls) {
  TLoopbackServer server(echoTarget);
  THtInetClient client;
  const std::string url = server.Url("/" + std::string(4100, 'a'));
  EXPECT_TRUE(client.GetBytes(U(url)).empty());
  EXPECT_TRUE(server.Requests().empty());
  EXPECT_EQ(client.Get(U(url)).size(), 4 + 4101u);  // text requests have no such limit
}

TEST(InetClientTest, BrokenResponsesRaise) {
  TLoopbackServer server([](const TLoopRequest& r) {
    if (r.Target == "/short") return TLoopReply{"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nonly", 0, true};
    if (r.Target == "/huge")
      return TLoopReply{"HTTP/1.1 200 OK\r\nContent-Length: 99999999999\r\n\r\nsmall", 0, true};
    if (r.Target == "/empty") return TLoopReply{"", 0, true};
    if (r.Target == "/reset") return TLoopReply{"", 0, false, true};
    if (r.Target == "/garbage") return TLoopReply{"\x01\x02 not http at all\r\n\r\n", 0, true};
    return TLoopReply{HttpReply(200, "", "ok")};
  });
  THtInetClient client;
  // A short body is an error, never zero-padded data.
  EXPECT_EQ(osErrorOf([&] { client.GetBytes(U(server.Url("/short"))); }), NET_ERROR_CONNECTION_ERROR);
  EXPECT_EQ(osErrorOf([&] { client.Get(U(server.Url("/short"))); }), NET_ERROR_CONNECTION_ERROR);
  EXPECT_EQ(inetErrorOf([&] { client.GetBytes(U(server.Url("/huge"))); }), "The response body exceeds 512 MB");
  EXPECT_EQ(osErrorOf([&] { client.GetBytes(U(server.Url("/empty"))); }), NET_ERROR_INVALID_SERVER_RESPONSE);
  EXPECT_NE(osErrorOf([&] { client.GetBytes(U(server.Url("/reset"))); }), 0);
  EXPECT_EQ(osErrorOf([&] { client.Get(U(server.Url("/garbage"))); }), NET_ERROR_INVALID_SERVER_RESPONSE);
  // The client stays usable.
  EXPECT_EQ(client.Get(U(server.Url("/fine"))), u"ok");
}

// The size limit also holds for a body without Content-Length; shown with a
// small limit on the service underneath the client.
TEST(HttpSessionTest, BodyLimitStopsAChunkedBody) {
  TLoopbackServer server([](const TLoopRequest&) {
    std::string chunks = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    for (int i = 0; i < 10; ++i) chunks += "200\r\n" + std::string(512, 'z') + "\r\n";
    return TLoopReply{chunks + "0\r\n\r\n"};
  });
  THttpSession session;
  THttpRequest request;
  request.Url = server.Url("/chunks");
  request.MaxBodySize = 2000;
  TBytes body;
  THttpResponse response;
  session.Perform(request, body, response);
  EXPECT_TRUE(response.BodyTooLarge);
  EXPECT_LE(body.size(), 2000u);
  request.MaxBodySize = 5120;
  body.clear();
  session.Perform(request, body, response);
  EXPECT_FALSE(response.BodyTooLarge);
  EXPECT_EQ(body.size(), 5120u);
}

TEST(InetClientTest, MalformedAndForeignUrlsAreRefused) {
  THtInetClient client;
  const struct {
    const char16_t* url;
    int error;
  } cases[] = {
      {u"", NET_ERROR_INVALID_URL},
      {u"not a url", NET_ERROR_INVALID_URL},
      {u"http://", NET_ERROR_INVALID_URL},
      {u"http://127.0.0.1:99999/", NET_ERROR_INVALID_URL},
      {u"http://127.0.0.1/a\r\nX-Evil: 1", NET_ERROR_INVALID_URL},
      {u"file:///etc/passwd", NET_ERROR_UNRECOGNIZED_SCHEME},
      {u"ftp://127.0.0.1/", NET_ERROR_UNRECOGNIZED_SCHEME},
      {u"gopher://127.0.0.1/", NET_ERROR_UNRECOGNIZED_SCHEME},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(osErrorOf([&] { client.Get(c.url); }), c.error) << StringToUtf8(c.url);
    EXPECT_EQ(osErrorOf([&] { client.GetBytes(c.url); }), c.error) << StringToUtf8(c.url);
  }
}

TEST(InetClientTest, OneClientSharedByTwoThreads) {
  TLoopbackServer server(echoTarget);
  THtInetClient client;
  const String page = U(server.Url("/page")), image = U(server.Url("/image"));
  std::thread loader([&] {
    for (int i = 0; i < 20; ++i) EXPECT_EQ(client.GetBytes(image).size(), 10u);
  });
  for (int i = 0; i < 20; ++i) EXPECT_EQ(client.Get(page), u"GET /page");
  loader.join();
  EXPECT_EQ(server.Requests().size(), 40u);
}

// TLS: servers with certificates made here, trusted only when the client
// is told to.
class InetClientTlsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    authority_ = new ht_test::TTestCert(ht_test::MakeTestCert("Tarnwick test authority", nullptr, false, true));
    serverCert_ = new ht_test::TTestCert(ht_test::MakeTestCert("127.0.0.1", nullptr, true, false));
  }
  static void TearDownTestSuite() {
    delete authority_;
    delete serverCert_;
  }
  // A context for the self-signed server certificate.
  static SSL_CTX* context(int minVersion = 0, int maxVersion = 0, bool wantClientCert = false) {
    return ht_test::MakeServerContext(*serverCert_, minVersion, maxVersion, wantClientCert ? authority_ : nullptr);
  }
  String trustFile() const { return U(dir_.Write("trusted.pem", serverCert_->CertPem())); }

  ht_test::TTempDir dir_;
  static ht_test::TTestCert* authority_;
  static ht_test::TTestCert* serverCert_;
};

ht_test::TTestCert* InetClientTlsTest::authority_ = nullptr;
ht_test::TTestCert* InetClientTlsTest::serverCert_ = nullptr;

struct ContextHolder {
  SSL_CTX* ctx;
  ~ContextHolder() { SSL_CTX_free(ctx); }
};

TEST_F(InetClientTlsTest, SelfSignedServerIsRefusedUntilTrusted) {
  ContextHolder tls{context()};
  TLoopbackServer server(echoTarget, tls.ctx);
  THtInetClient client;
  EXPECT_EQ(osErrorOf([&] { client.Get(U(server.Url("/page"))); }), NET_ERROR_SECURE_FAILURE);
  EXPECT_EQ(osErrorOf([&] { client.GetBytes(U(server.Url("/img"))); }), NET_ERROR_SECURE_FAILURE);
  EXPECT_TRUE(server.Requests().empty());
  EXPECT_EQ(server.PlainOnTls(), 0);  // no retry in plain HTTP

  client.TrustedCertificates = trustFile();
  EXPECT_EQ(client.Get(U(server.Url("/page"))), u"GET /page");
  // The trust belongs to that client alone.
  THtInetClient other;
  EXPECT_EQ(osErrorOf([&] { other.Get(U(server.Url("/page"))); }), NET_ERROR_SECURE_FAILURE);
}

TEST_F(InetClientTlsTest, RedirectsNeverLeaveHttps) {
  TLoopbackServer plain(echoTarget);
  const std::string plainUrl = plain.Url("/downgraded");
  ContextHolder tls{context()};
  TLoopbackServer server(
      [&](const TLoopRequest& r) {
        if (r.Target == "/to-http") return TLoopReply{HttpReply(302, "", "", "Location: " + plainUrl + "\r\n")};
        if (r.Target == "/to-file") return TLoopReply{HttpReply(302, "", "", "Location: file:///etc/hostname\r\n")};
        return TLoopReply{HttpReply(302, "", "", "Location: /final\r\n")};
      },
      tls.ctx);
  THtInetClient client;
  client.TrustedCertificates = trustFile();
  EXPECT_EQ(osErrorOf([&] { client.Get(U(server.Url("/to-http"))); }), NET_ERROR_REDIRECT_FAILED);
  EXPECT_EQ(osErrorOf([&] { client.GetBytes(U(server.Url("/to-file"))); }), NET_ERROR_REDIRECT_FAILED);
  EXPECT_TRUE(plain.Requests().empty());
}

TEST_F(InetClientTlsTest, OnlyTls12And13) {
  ContextHolder only13{context(TLS1_3_VERSION, TLS1_3_VERSION)};
  ContextHolder only11{context(TLS1_1_VERSION, TLS1_1_VERSION)};
  TLoopbackServer modern(echoTarget, only13.ctx);
  TLoopbackServer old(echoTarget, only11.ctx);
  THtInetClient client;
  client.TrustedCertificates = trustFile();
  EXPECT_EQ(client.Get(U(modern.Url("/new"))), u"GET /new");
  EXPECT_EQ(osErrorOf([&] { client.Get(U(old.Url("/old"))); }), NET_ERROR_SECURE_CHANNEL_ERROR);
  // Get tried once more on a fresh handle, as securely; GetBytes does not.
  EXPECT_TRUE(eventually([&] { return old.FailedHandshakes() == 2; }));
  EXPECT_EQ(osErrorOf([&] { client.GetBytes(U(old.Url("/old"))); }), NET_ERROR_SECURE_CHANNEL_ERROR);
  EXPECT_TRUE(eventually([&] { return old.FailedHandshakes() == 3; }));
  EXPECT_TRUE(old.Requests().empty());
  EXPECT_EQ(old.PlainOnTls(), 0);
}

TEST_F(InetClientTlsTest, ClientCertificatesComeFromTheStoreFolder) {
  ContextHolder tls{context(0, 0, true)};
  TLoopbackServer server(echoTarget, tls.ctx);
  ht_test::TTempDir store;
  setenv("TARNWICK_CERT_STORE", store.Path.c_str(), 1);
  THtInetClient client;
  client.TrustedCertificates = trustFile();
  EXPECT_EQ(inetErrorOf([&] { client.Get(U(server.Url("/private"))); }), "No SSL certificates found");

  // A certificate of another issuer does not fit; one of the named issuer does.
  const ht_test::TTestCert stranger = ht_test::MakeTestCert("stranger", nullptr, false, false);
  store.Write("a-stranger.pem", stranger.CertPem() + stranger.KeyPem());
  EXPECT_EQ(inetErrorOf([&] { client.GetBytes(U(server.Url("/private"))); }), "No SSL certificates found");
  const ht_test::TTestCert mine = ht_test::MakeTestCert("me", authority_, false, false);
  store.Write("b-mine.pem", mine.CertPem() + mine.KeyPem());
  EXPECT_EQ(client.Get(U(server.Url("/private"))), u"GET /private");
  std::vector<String> accepted;
  client.GetClientCertificates(accepted);
  ASSERT_EQ(accepted.size(), 1u);
  EXPECT_EQ(accepted[0], U(store.Path + "/b-mine.pem"));
  unsetenv("TARNWICK_CERT_STORE");
}

}  // namespace
}  // namespace ht
