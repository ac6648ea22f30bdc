// The browser host's protocol side without a bus: the framing reader, the
// request decoder, the snapshot's writes as element indices, the bound on
// replies, and the teach text checked against the real field matcher.
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <cstring>
#include <tuple>

#include "browser/host/host_request.h"
#include "browser/host/native_frame.h"
#include "matcher/pattern_list.h"

namespace zr {
namespace {

std::string Length(uint32_t length) {
  std::string bytes(4, '\0');
  std::memcpy(bytes.data(), &length, 4);
  return bytes;
}

TEST(NativeFrameTest, ReadsOneMessageAndTellsWhatIsMissingOrWrong) {
  using S = FrameRead::Status;
  const struct {
    std::string bytes;
    S status;
    size_t consumed;
    std::string payload;
  } cases[] = {
      {EncodeFrame("{}"), S::kFrame, 6, "{}"},
      {EncodeFrame("[1]") + EncodeFrame("{}"), S::kFrame, 7, "[1]"},  // the first only
      {"", S::kNeedMore, 0, ""},
      {Length(10) + "12345", S::kNeedMore, 0, ""},
      {Length(kMaxRequestBytes) + "{", S::kNeedMore, 0, ""},
      {Length(0) + "{}", S::kBadLength, 0, ""},
      {Length(kMaxRequestBytes + 1) + "{}", S::kBadLength, 0, ""},
      {Length(0xFFFFFFFFu), S::kBadLength, 0, ""},
  };
  for (const auto& c : cases) {
    FrameRead read = ReadFrame(c.bytes);
    EXPECT_EQ(std::tuple(read.status, read.consumed, std::string(read.payload)),
              std::tuple(c.status, c.consumed, c.payload))
        << c.bytes.size();
  }
}

constexpr char kPage[] =
    R"({"url":"https://a.example/s","title":"T","forms":[{"name":"f"}],"elements":[)"
    R"({"kind":"input","form":0,"type":"Email","name":"user","value":"","maxLength":8},)"
    R"({"kind":"select","form":0,"name":"c","options":[{"text":"A","value":"a"}]}]})";

TEST(DecodeRequestTest, AcceptsWellFormedRequestsAndNamesWhatIsWrong) {
  const std::string page = kPage;
  std::string many = R"({"op":"record","page":{"elements":[)";
  for (size_t i = 0; i <= kMaxSnapshotElements; ++i) many += R"({"kind":"input","form":0},)";
  many.back() = ']';
  many += "}}";
  const struct {
    std::string json;
    QJsonValue id;      // of the request, or of the error reply
    std::string error;  // "" for a request
  } cases[] = {
      {R"({"id":1,"op":"ping"})", 1, ""},
      {R"({"op":"ping"})", QJsonValue(), ""},
      {R"({"id":"a","op":"fill","type":2,"force":true,"page":)" + page + "}", "a", ""},
      {R"({"id":2,"op":"teach","profile":"work","field":"Email","name":"e"})", 2, ""},
      {R"({"id":1,"op":"pi)", QJsonValue(), "not JSON"},
      {"[1,2]", QJsonValue(), "not a JSON object"},
      {R"({"id":{},"op":"ping"})", QJsonValue(), "id must be a number or a string"},
      {R"({"id":3})", 3, "op must be a string"},
      {R"({"id":3,"op":"format"})", 3, "not an operation"},
      {R"({"id":4,"op":"fill","type":4,"page":)" + page + "}", 4, "type must be a whole number"},
      {R"({"id":4,"op":"fill","type":1,"force":1,"page":)" + page + "}", 4, "force must be true"},
      {R"({"id":5,"op":"fill","type":1})", 5, "page must be an object"},
      {R"({"id":5,"op":"record","page":{"elements":[7]}})", 5, "page.elements[0] must be an obj"},
      {R"({"id":5,"op":"record","page":{"elements":[{"kind":"button","form":0}]}})", 5,
       "page.elements[0].kind must be"},
      {R"({"id":5,"op":"record","page":{"elements":[{"kind":"select","form":0,"options":[{"text":1}]}]}})",
       5, "page.elements[0].options[0].text must be a string"},
      {many, QJsonValue(), "elements, more than"},
      {R"({"id":6,"op":"capture","page":{},"form":-1})", 6, "form must be a whole number"},
      {R"({"id":6,"op":"teach","profile":"school","field":"Email","name":"e"})", 6,
       "profile must be"},
  };
  for (const auto& c : cases) {
    DecodedRequest decoded = DecodeRequest(c.json);
    const std::string shown = c.json.substr(0, 80);
    EXPECT_EQ(decoded.request.has_value(), c.error.empty()) << shown << ": " << decoded.error;
    EXPECT_EQ(decoded.request ? decoded.request->id : decoded.id, c.id) << shown;
    EXPECT_NE(decoded.error.find(c.error), std::string::npos) << shown;  // "" is found in any
  }
}

TEST(DecodeRequestTest, ReadsThePageAndBoundsItsTexts) {
  DecodedRequest fill = DecodeRequest(R"({"id":1,"op":"fill","type":3,"auto":true,"page":)" +
                                      std::string(kPage) + "}");
  ASSERT_TRUE(fill.request);
  const PageSnapshot& page = fill.request->page;
  EXPECT_TRUE(fill.request->automatic);
  ASSERT_EQ(page.elements.size(), 2u);
  EXPECT_EQ(page.elements[0].max_length, 8);
  EXPECT_EQ(page.elements[0].type, "text") << "an email input reads as every page reports it";
  EXPECT_EQ(page.elements[1].options[0].value, "a");
  EXPECT_FALSE(page.truncated);

  // A lone surrogate stands as U+FFFD; a name past the snapshot's limit is cut.
  DecodedRequest odd = DecodeRequest(
      R"({"op":"record","page":{"elements":[{"kind":"input","form":0,"name":"a\ud800b\udc00"},)"
      R"({"kind":"textarea","form":0,"name":")" +
      std::string(kMaxSnapshotText + 10, 'n') + R"("}]}})");
  ASSERT_TRUE(odd.request) << odd.error;
  EXPECT_EQ(odd.request->page.elements[0].name, "a\uFFFDb\uFFFD");
  EXPECT_EQ(odd.request->page.elements[1].name.size(), kMaxSnapshotText);
  EXPECT_TRUE(odd.request->page.truncated);
}

TEST(WritesTest, NameTheSnapshotElementsByIndex) {
  PageSnapshot snapshot;
  snapshot.forms = {"a", "b"};
  auto element = [](ElementKind kind, int form) {
    SnapshotElement e;
    e.kind = kind, e.form = form, e.options = {{"x", "x"}, {"y", "y"}};
    return e;
  };
  using K = ElementKind;
  snapshot.elements = {element(K::kInput, 0),    element(K::kSelect, 0), element(K::kInput, 1),
                       element(K::kTextArea, 0), element(K::kInput, -1), element(K::kInput, 0)};
  // Writes made through the page objects, as the server makes them.
  SnapshotPage page(snapshot);
  auto form = page.Document()->Forms()->At(0);
  ASSERT_TRUE(form->Inputs()->At(1)->PutValue("second"));
  ASSERT_TRUE(form->Selects()->At(0)->Options()->At(1)->PutSelected());
  ASSERT_TRUE(page.Form(1)->Inputs()->At(0)->PutValue("other form"));
  ASSERT_TRUE(form->TextAreas()->At(0)->PutValue("text"));
  std::vector<PageWrite> writes = page.TakeWrites();
  writes.push_back({0, K::kInput, 2, -1, "not there"});
  QJsonArray json = WritesToJson(page.snapshot(), writes);
  EXPECT_EQ(QJsonDocument(json).toJson(QJsonDocument::Compact).toStdString(),
            R"([{"element":5,"value":"second"},{"element":1,"option":1},)"
            R"({"element":2,"value":"other form"},{"element":3,"value":"text"}])");
}

TEST(ReplyBytesTest, AReplyTooBigForTheBrowserBecomesAnError) {
  QJsonObject small{{"ok", true}};
  EXPECT_EQ(ReplyBytes(7, small), R"({"id":7,"ok":true})");
  QJsonObject big{{"ok", true}, {"writes", QString(kMaxReplyBytes, 'v')}};
  std::string bytes = ReplyBytes("r", big);
  QJsonObject reply = QJsonDocument::fromJson(QByteArray::fromStdString(bytes)).object();
  EXPECT_LT(bytes.size(), 1000u);
  EXPECT_EQ(reply["id"], "r");
  EXPECT_EQ(reply["code"], "failed");
  EXPECT_TRUE(reply["error"].toString().contains("more than the 1048576"));
}

TEST(TeachTest, TheNameIsMatchedExactlyAndNothingElse) {
  const struct {
    std::string name;
    std::vector<std::string> matches, misses;
  } cases[] = {
      {"email", {"email", "EMail"}, {"e-mail", "email2", "my_email"}},
      {"e.mail(x)", {"e.mail(x)", "E.MAIL(X)"}, {"eXmail(x)", "e.mail(x)y", "e.mailx"}},
      {"a[1]*", {"a[1]*"}, {"a1", "a[1]", "a[1]]"}},
      {"^$|?+\\", {"^$|?+\\"}, {"", "^$"}},
  };
  RegExp regexp;
  for (const auto& c : cases) {
    std::string error;
    const std::string text = TeachFieldsText(false, "email", c.name, &error);
    const std::string head = "<HOME><Field name=\"Email\" value=\"", tail = "\"/></HOME>";
    ASSERT_TRUE(text.starts_with(head) && text.ends_with(tail)) << text << error;
    const std::string pattern = text.substr(head.size(), text.size() - head.size() - tail.size());
    for (bool match : {true, false}) {
      for (std::string field : match ? c.matches : c.misses)
        EXPECT_EQ(MatchPatternList(regexp, field, pattern, "v"), match)
            << pattern << " on " << field;
    }
  }
  std::string error;
  EXPECT_EQ(TeachFieldsText(true, "JobTitle", "role", &error),
            "<WORK><Field name=\"JobTitle\" value=\"^role$\"/></WORK>");
  // A password is never taught; a name the fields text cannot hold is refused.
  for (const char* name : {"", "a;b", "a\"b", "a>b", "a\nb", "password"}) {
    error.clear();
    const bool password = std::string_view(name) == "password";
    EXPECT_EQ(TeachFieldsText(false, password ? "Password" : "Email", name, &error), "") << name;
    EXPECT_FALSE(error.empty());
  }
}

}  // namespace
}  // namespace zr
