#include "persistence/RegistryText.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

using namespace persistence;

namespace {

const char* const Key = "\\Software\\Veldrin\\RX58Manager\\Test";

std::vector<std::uint8_t> Bytes(std::size_t n, unsigned seed) {
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i)
        v[i] = static_cast<std::uint8_t>(i * 37 + seed);
    return v;
}

// One of every kind of value the file must hold, with the awkward texts.
RegistryDocument SampleDocument() {
    RegistryDocument d;
    d.Set(Key, "Zero", RegistryValue::MakeDword(0));
    d.Set(Key, "Max", RegistryValue::MakeDword(0xFFFFFFFFu));
    d.Set(Key, "Port", RegistryValue::MakeString("COM1"));
    d.Set(Key, "Empty", RegistryValue::MakeString(""));
    d.Set(Key, "Russian", RegistryValue::MakeString("Модем «Зенит» №2, ёлка"));
    d.Set(Key, "Escapes", RegistryValue::MakeString("C:\\dir\\\"quoted\" \\\\ end\\"));
    d.Set(Key, "Lines", RegistryValue::MakeString("first\nsecond\r\n\ttab"));
    d.Set(Key, "Astral", RegistryValue::MakeString("\xF0\x9F\x93\x9E phone"));
    d.Set(Key, "Expand", RegistryValue::MakeExpandString("%HOME%/Архив"));
    d.Set(Key, "NoBytes", RegistryValue::MakeBinary({}));
    d.Set(Key, "Date", RegistryValue::MakeBinary(Bytes(8, 1)));
    d.Set(Key, "Long", RegistryValue::MakeBinary(Bytes(300, 5)));
    d.Set(Key, "Multi", RegistryValue::MakeRaw(7, Bytes(12, 9)));
    d.Set(Key, "Qword", RegistryValue::MakeRaw(0xb, Bytes(8, 3)));
    d.Set(Key, "", RegistryValue::MakeString("default value"));
    d.Set(Key, "Name \"with\" \\ marks", RegistryValue::MakeDword(7));
    d.Set("\\Software\\Veldrin\\RX58Manager\\Модемы\\Линия 1", "Путь",
          RegistryValue::MakeString("/dev/ttyUSB0"));
    d.CreateKey("\\Software\\Veldrin\\RX58Manager\\EmptyKey");
    return d;
}

TEST(RegistryText, FormatThenParseGivesTheSameDocument) {
    const RegistryDocument original = SampleDocument();
    const std::string text = FormatRegistryText(original);
    EXPECT_EQ(ParseRegistryText(text), original) << text;
    EXPECT_EQ(FormatRegistryText(ParseRegistryText(text)), text);
}

TEST(RegistryText, WritesRegistryExportSyntax) {
    RegistryDocument d;
    d.Set("\\Software\\Veldrin\\RX58Manager\\ChanelSetup", "CurrentChanel",
          RegistryValue::MakeDword(6));
    d.Set("\\Software\\Veldrin\\RX58Manager\\ChanelSetup", "ComPortName",
          RegistryValue::MakeString("a \"b\" c\\d"));
    d.Set("\\Software\\Veldrin\\RX58Manager\\ChanelSetup", "Path",
          RegistryValue::MakeExpandString("%A%"));
    d.Set("\\Software\\Veldrin\\RX58Manager\\ChanelSetup", "Bin",
          RegistryValue::MakeBinary({0x00, 0xab, 0x10}));
    EXPECT_EQ(FormatRegistryText(d),
              "Windows Registry Editor Version 5.00\n"
              "\n"
              "[HKEY_CURRENT_USER\\Software\\Veldrin\\RX58Manager\\ChanelSetup]\n"
              "\"CurrentChanel\"=dword:00000006\n"
              "\"ComPortName\"=\"a \\\"b\\\" c\\\\d\"\n"
              "\"Path\"=hex(2):25,00,41,00,25,00,00,00\n"
              "\"Bin\"=hex:00,ab,10\n"
              "\n");
}

TEST(RegistryText, LongBinaryLinesAreWrappedAsExportsDo) {
    RegistryDocument d;
    d.Set(Key, "Long", RegistryValue::MakeBinary(Bytes(300, 5)));
    const std::string text = FormatRegistryText(d);
    std::size_t start = 0, lines = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        EXPECT_LE(end - start, 80u) << text.substr(start, end - start);
        ++lines;
    }
    EXPECT_GT(lines, 10u);
    EXPECT_NE(text.find(",\\\n  "), std::string::npos);
}

TEST(RegistryText, ReadsWhatRegistryEditorsWrite) {
    const std::string text = "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n"
                             "\r\n"
                             "; a comment\r\n"
                             "[HKEY_CURRENT_USER\\Software\\Veldrin\\RX58Manager\\ChanelSetup]\r\n"
                             "\"CurrentChanel\"=dword:00000001\r\n"
                             "\"MonitoringInterval\"=dword:A\r\n"
                             "\"NetAddress\"=hex(4):0f,00,00,00\r\n"
                             "\"ComPortName\"=hex(1):43,00,4f,00,4d,00,37,00,00,00\r\n"
                             "\"ModemName\"=hex(2):1f,04,40,04,\\\r\n"
                             "  38,04,00,00\r\n"
                             "\"Blob\"=hex:DE,AD, be ,ef\r\n"
                             "@=\"default\"\r\n";
    const RegistryDocument d = ParseRegistryText(text);
    const char* key = "\\Software\\Veldrin\\RX58Manager\\ChanelSetup";
    EXPECT_EQ(d.GetDword(key, "CurrentChanel"), 1u);
    EXPECT_EQ(d.GetDword(key, "MonitoringInterval"), 10u);
    EXPECT_EQ(d.GetDword(key, "NetAddress"), 15u);
    EXPECT_EQ(d.GetString(key, "ComPortName"), "COM7");
    EXPECT_EQ(d.GetExpandString(key, "ModemName"), "При");
    EXPECT_EQ(d.GetBinary(key, "Blob"), (std::vector<std::uint8_t>{0xde, 0xad, 0xbe, 0xef}));
    EXPECT_EQ(d.GetString(key, ""), "default");
}

// However a file is cut short, what it still yields is true: a value is
// either read as written or missing, never read wrong.
TEST(RegistryText, AFileCutAnywhereNeverYieldsAWrongValue) {
    const RegistryDocument original = SampleDocument();
    const std::string text = FormatRegistryText(original);
    for (std::size_t cut = 0; cut <= text.size(); ++cut) {
        const RegistryDocument part = ParseRegistryText(std::string_view(text).substr(0, cut));
        for (const RegistryKey& key : part.Keys()) {
            for (const auto& [name, value] : key.Values) {
                const RegistryValue* expected = original.Find(key.Name, name);
                ASSERT_NE(expected, nullptr) << "cut " << cut << ": " << key.Name << " " << name;
                ASSERT_EQ(*expected, value) << "cut " << cut << ": " << name;
            }
        }
    }
}

// Each line is damaged in its own way; the good values around it survive
// and the damaged one reads as missing.
TEST(RegistryText, ADamagedLineLosesOnlyItsOwnValue) {
    const std::vector<std::string> damaged = {
        "\"Bad\"=dword:123456789",
        "\"Bad\"=dword:12x4",
        "\"Bad\"=dword:",
        "\"Bad\"=\"no closing quote",
        "\"Bad\"=\"text\" trailing",
        "\"Bad\"=hex:01,2,03",
        "\"Bad\"=hex:01,02,",
        "\"Bad\"=hex(2):41,00,00",
        "\"Bad\"=hex(2):00,d8,41,00",
        "\"Bad\"=hex(4):01,02",
        "\"Bad\"=hex(zz):01",
        "\"Bad\"=\"\xff\xfe\"",
        "\"Bad\"=-",
        "\"Bad\" dword:00000001",
        "\"B\x01\"=dword:00000001",
        std::string("\"Bad\"=\"a\0b", 10),
        "garbage \x01\x02\x7f line",
        "\"Bad\"=hex:01,\\",
    };
    for (const std::string& line : damaged) {
        const std::string text =
            "[HKEY_CURRENT_USER\\K]\n\"Good1\"=dword:00000001\n" + line + "\n\"Good2\"=\"x\"\n";
        const RegistryDocument d = ParseRegistryText(text);
        EXPECT_EQ(d.GetDword("\\K", "Good1"), 1u) << line;
        EXPECT_EQ(d.GetString("\\K", "Good2"), "x") << line;
        EXPECT_EQ(d.ValueNames("\\K").size(), 2u) << line;
    }
}

TEST(RegistryText, ValuesUnderABrokenKeyHeaderAreNotGivenToTheKeyBefore) {
    const RegistryDocument d = ParseRegistryText("[HKEY_CURRENT_USER\\A]\n"
                                                 "\"One\"=dword:00000001\n"
                                                 "[HKEY_CURRENT_USER\\B\n"
                                                 "\"Two\"=dword:00000002\n"
                                                 "[-HKEY_CURRENT_USER\\C]\n"
                                                 "\"Three\"=dword:00000003\n"
                                                 "[HKEY_CURRENT_USER\\\\D]\n"
                                                 "\"Four\"=dword:00000004\n"
                                                 // would be read back as "E" once stored
                                                 "[HKEY_CURRENT_USER\\E \\]\n"
                                                 "\"Six\"=dword:00000006\n"
                                                 "[HKEY_CURRENT_USER\\A]\n"
                                                 "\"Five\"=dword:00000005\n"
                                                 "\"One\"=dword:00000009\n");
    EXPECT_EQ(d.Keys().size(), 1u);
    EXPECT_EQ(d.ValueNames("\\A"), (std::vector<std::string>{"One", "Five"}))
        << "a key listed twice is one key";
    EXPECT_EQ(d.GetDword("\\A", "One"), 9u) << "the later value wins, as on import";
}

// Random bytes never crash the reader, and what it makes of them is stored
// and read back unchanged, so one store repairs the file for good.
TEST(RegistryText, GarbageReadsAsSomethingStable) {
    std::mt19937 random(58);
    const std::string alphabet =
        "[]\"@=\\:,()-;hexdword0123456789abcdefHKEY_CURRENT_USER\n\r \t\x01\xff\xd0";
    for (int round = 0; round < 300; ++round) {
        std::string text(static_cast<std::size_t>(random() % 2000), '\0');
        for (char& c : text)
            c = round % 2 ? static_cast<char>(random()) : alphabet[random() % alphabet.size()];
        const RegistryDocument once = ParseRegistryText(text);
        const std::string repaired = FormatRegistryText(once);
        EXPECT_EQ(ParseRegistryText(repaired), once) << "round " << round;
    }
}

TEST(RegistryDocument, KeysAndValuesCompareWithoutCaseAndEnumerateInFileOrder) {
    RegistryDocument d;
    const std::string modems = "\\Software\\Veldrin\\RX58Manager\\Modems";
    d.Set(modems + "\\Second", "Device", RegistryValue::MakeString("/dev/ttyACM0"));
    d.Set(modems + "\\First\\Deeper", "X", RegistryValue::MakeDword(1));
    d.Set(modems + "\\first", "Init", RegistryValue::MakeString("AT&F"));
    d.Set(modems + "\\Second", "device", RegistryValue::MakeString("/dev/ttyACM1"));

    EXPECT_EQ(d.SubkeyNames(modems), (std::vector<std::string>{"Second", "First"}));
    EXPECT_EQ(d.SubkeyNames("\\SOFTWARE\\veldrin"), (std::vector<std::string>{"RX58Manager"}));
    EXPECT_EQ(d.ValueNames(modems + "\\Second"), (std::vector<std::string>{"Device"}));
    EXPECT_EQ(d.GetString(modems + "\\SECOND", "DEVICE"), "/dev/ttyACM1");
    EXPECT_TRUE(d.HasKey(modems)) << "a key exists when a key below it does";
    EXPECT_FALSE(d.HasKey(modems + "\\Third"));

    EXPECT_TRUE(d.DeleteKey(modems + "\\First"));
    EXPECT_EQ(d.SubkeyNames(modems), (std::vector<std::string>{"Second"}));
    EXPECT_TRUE(d.DeleteValue(modems + "\\Second", "DEVICE"));
    EXPECT_TRUE(d.ValueNames(modems + "\\Second").empty());
    EXPECT_TRUE(d.HasKey(modems + "\\Second")) << "deleting its values keeps the key";
}

TEST(RegistryDocument, TypedReadsRefuseOtherTypes) {
    RegistryDocument d;
    d.Set(Key, "Text", RegistryValue::MakeString("1"));
    d.Set(Key, "Expand", RegistryValue::MakeExpandString("1"));
    d.Set(Key, "Number", RegistryValue::MakeDword(1));
    d.Set(Key, "Bin", RegistryValue::MakeBinary({1, 0, 0, 0}));
    EXPECT_FALSE(d.GetDword(Key, "Text"));
    EXPECT_FALSE(d.GetDword(Key, "Bin"));
    EXPECT_FALSE(d.GetString(Key, "Expand"));
    EXPECT_FALSE(d.GetExpandString(Key, "Text"));
    EXPECT_FALSE(d.GetBinary(Key, "Number"));
    EXPECT_FALSE(d.GetString(Key, "Missing"));
    EXPECT_FALSE(d.GetString("\\No\\Such\\Key", "Text"));
}

TEST(RegistryDocument, NamesTheFileCannotHoldAreRefused) {
    RegistryDocument d;
    EXPECT_FALSE(d.CreateKey("\\Software\\\\Empty part"));
    EXPECT_FALSE(d.CreateKey("\\Software\\Line\nbreak"));
    EXPECT_FALSE(d.CreateKey("\\Software\\Trailing blank "));
    EXPECT_FALSE(d.Set(Key, "Line\nbreak", RegistryValue::MakeDword(1)));
    EXPECT_TRUE(d.Keys().empty());
    EXPECT_TRUE(d.Set(Key, "Имя", RegistryValue::MakeDword(1)));
}

} // namespace
