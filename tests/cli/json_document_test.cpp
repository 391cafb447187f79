#include "cli/json_document.h"

#include <gtest/gtest.h>

namespace hvm {
namespace {

TEST(JsonDocument, TheSchemaVersionComesFirstAndTheFieldsKeepTheirOrder) {
  const std::string text = JsonDocumentText({{"zeta", 1}, {"alpha", {{"b", 2}, {"a", 3}}}});
  EXPECT_EQ(
      "{\n  \"schemaVersion\": 1,\n  \"zeta\": 1,\n  \"alpha\": {\n    \"b\": 2,\n    \"a\": 3\n  "
      "}\n}",
      text);
  EXPECT_EQ("{\"schemaVersion\":1,\"name\":\"x\"}", JsonDocumentText({{"name", "x"}}, -1));
  EXPECT_EQ("{\"schemaVersion\":1}", JsonDocumentText(nlohmann::ordered_json::object(), -1));
}

// A registry name in the ANSI code page must not cost the script its whole
// document.
TEST(JsonDocument, TextThatIsNotUtf8IsReplacedNotRefused) {
  const std::string text = JsonDocumentText({{"name", "caf\xE9"}}, -1);
  EXPECT_EQ("{\"schemaVersion\":1,\"name\":\"caf\xEF\xBF\xBD\"}", text);
}

}  // namespace
}  // namespace hvm
