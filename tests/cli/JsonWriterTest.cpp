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

TEST(JsonWriter, ASinkReceivesTheSameTextInChunksAndFailsWhenItCannotWrite) {
    // Enough elements to cross several chunk boundaries, commas included.
    const auto write = [](JsonWriter& json) {
        json.beginArray();
        for (int i = 0; i < 30000; ++i) {
            json.beginObject();
            json.field("n", i);
            json.field("s", "\xE9");
            json.endObject();
        }
        json.endArray();
    };
    JsonWriter whole;
    write(whole);
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    JsonWriter streamed(file);
    write(streamed);
    EXPECT_LT(streamed.text().size(), whole.text().size());  // most of it has gone out already
    ASSERT_TRUE(streamed.flush());
    std::string sent(static_cast<std::size_t>(std::ftell(file)), '\0');
    std::rewind(file);
    ASSERT_EQ(std::fread(sent.data(), 1, sent.size(), file), sent.size());
    std::fclose(file);
    EXPECT_EQ(sent, whole.text());

    std::FILE* full = std::fopen("/dev/full", "w");
    if (full == nullptr) GTEST_SKIP() << "no /dev/full";
    JsonWriter failing(full);
    write(failing);
    EXPECT_FALSE(failing.flush());
    std::fclose(full);
}
