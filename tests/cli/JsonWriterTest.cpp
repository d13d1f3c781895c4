#include "cli/JsonWriter.h"

#include <gtest/gtest.h>

using namespace skirlo;

TEST(JsonWriter, SeparatesElementsAndKeysOfNestedContainers) {
    JsonWriter json;
    json.beginObject();
    json.field("a", 1);
    json.key("list");
    json.beginArray();
    json.value(true);
    json.beginObject();
    json.endObject();
    json.value("x");
    json.endArray();
    json.field("b", false);
    json.endObject();
    EXPECT_EQ(json.text(), R"({"a":1,"list":[true,{},"x"],"b":false})");
}

TEST(JsonWriter, EscapesQuotesBackslashesAndControlsAndWritesUtf8) {
    JsonWriter json;
    json.value(std::string_view("\"\\\r\n\t\x01\xE9\x80", 8));
    EXPECT_EQ(json.text(), "\"\\\"\\\\\\u000d\\u000a\\u0009\\u0001\xC3\xA9\xE2\x82\xAC\"");
}
