#include "net/Enetexception.h"
#include "net/Tnetcoder3to4.h"
#include "net/Tnetcoderquotedprintable.h"
#include "net/Tnetreadmemorystream.h"

#include <gtest/gtest.h>

TEST(Tnetcoder, CoderClasses)
{
    EXPECT_EQ(EncodeString<TNetEncoderMIME>("abc"), "YWJj");
    EXPECT_EQ(EncodeString<TNetEncoderMIME>("a"), "YQ==");
    EXPECT_EQ(EncodeString<TNetEncoderUUE>("abc"), "#86)C");
    EXPECT_EQ(EncodeString<TNetEncoderXXE>("abc"), "1MK7X");
    EXPECT_EQ(DecodeString<TNetDecoderMIME>("YWI="), "ab");
    EXPECT_EQ(DecodeString<TNetDecoderUUE>("#86)C"), "abc");
    EXPECT_EQ(DecodeString<TNetDecoderXXE>("1MK7X"), "abc");
    EXPECT_EQ(EncodeString<TNetEncoderQuotedPrintable>("a=b"), "a=3Db");
    EXPECT_EQ(DecodeString<TNetDecoderQuotedPrintable>("a=3Db=\r\nc"), "a=bc");

    std::string data = "abcdefgh";
    TNetReadMemoryStream stream;
    stream.SetMemory(data.data(), 8);
    TNetEncoderMIME encoder(nullptr);
    EXPECT_EQ(encoder.Encode(stream, 3), "YWJj");
    try {
        encoder.Encode(stream, 4);
        FAIL();
    } catch (const ENetException& e) {
        EXPECT_EQ(e.Message(), "Uneven size in Encode.");
    }
    EXPECT_EQ(encoder.Encode(stream, 6), "ZGVmZ2g=");
    TNetDecoderMIME decoder(nullptr);
    try {
        decoder.DecodeText("YWJ");
        FAIL();
    } catch (const ENetException& e) {
        EXPECT_EQ(e.Message(), "Uneven size in DecodeToStream.");
    }
}
