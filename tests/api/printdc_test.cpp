#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "gx.h"
#include "gxhost.h"

namespace {

namespace fs = std::filesystem;

// What a command prints on its standard output and error, with its exit status.
struct Output {
    int status;
    std::string text;
};

Output RunTool(const std::string& command) {
    Output out{-1, {}};
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return out;
    std::array<char, 512> buffer;
    while (size_t n = fread(buffer.data(), 1, buffer.size(), pipe))
        out.text.append(buffer.data(), n);
    out.status = pclose(pipe);
    return out;
}

class PrinterDC : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("gx-printdc-" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string File(const char* name) const { return (dir_ / name).string(); }

    fs::path dir_;
};

TEST_F(PrinterDC, WritesAPdfOfItsPagesAtItsResolution) {
    const std::string path = File("doc.pdf");
    GXHostDC* dc = nullptr;
    ASSERT_EQ(GXHostCreatePrinterDC(GXHostPrintPDF, path.c_str(), 200, 100, 300, 150, &dc),
              GXResultSuccess);
    int32_t caps[4] = {};
    for (int32_t cap = 0; cap < 4; ++cap)
        ASSERT_EQ(GXHostGetDeviceCaps(dc, cap, &caps[cap]), GXResultSuccess);
    EXPECT_EQ(caps[GXHostCapHorzRes], 833);  // 200 points at 300 dpi
    EXPECT_EQ(caps[GXHostCapVertRes], 208);  // 100 points at 150 dpi
    EXPECT_EQ(caps[GXHostCapLogPixelsX], 300);
    EXPECT_EQ(caps[GXHostCapLogPixelsY], 150);

    GXRenderTargetRec_* target = nullptr;
    ASSERT_EQ(GXCreateRenderTargetPrintDC(dc, &target), GXResultSuccess);
    GXPixelFormat format{};
    GXIntSize size{};
    EXPECT_EQ(GXRenderTargetGetPixelFormat(target, &format), GXResultSuccess);
    EXPECT_EQ(format, GXPixelFormatRGB32);
    EXPECT_EQ(GXRenderTargetGetSize(target, &size), GXResultSuccess);
    EXPECT_EQ(size.width, 833);
    EXPECT_EQ(size.height, 208);

    GXBrushRec_* brush = nullptr;
    ASSERT_EQ(GXCreateBrushSolidARGB(0xFF204080u, &brush), GXResultSuccess);
    EXPECT_EQ(GXHostEndPage(dc), GXResultInvalidArg);  // no page open
    for (int32_t page = 0; page < 3; ++page) {
        EXPECT_EQ(GXHostStartPage(dc), GXResultSuccess);
        EXPECT_EQ(GXHostStartPage(dc), GXResultInvalidArg);  // already open
        EXPECT_EQ(GXRenderTargetBeginPaint(target), GXResultSuccess);
        const GXRect rect{10.0f + 40 * page, 10, 50.0f + 40 * page, 90};
        EXPECT_EQ(GXRenderTargetFillRect(target, &rect, brush), GXResultSuccess);
        EXPECT_EQ(GXRenderTargetEndPaint(target), GXResultSuccess);
        EXPECT_EQ(GXHostEndPage(dc), GXResultSuccess);
    }
    EXPECT_EQ(GXHostEndDocument(dc), GXResultSuccess);
    EXPECT_EQ(GXHostEndDocument(dc), GXResultInvalidArg);
    EXPECT_EQ(GXHostStartPage(dc), GXResultInvalidArg);
    GXObjectRelease(GX_HANDLE(brush));
    GXObjectRelease(GX_HANDLE(target));
    EXPECT_EQ(GXHostDeleteDC(dc), GXResultSuccess);

    const Output info = RunTool("pdfinfo '" + path + "'");
    EXPECT_EQ(info.status, 0);
    EXPECT_NE(info.text.find(" 3\nEncrypted"), std::string::npos) << info.text;
    EXPECT_NE(info.text.find(" 200 x 100 pts\n"), std::string::npos) << info.text;
    // Poppler reads every page without complaint.
    const Output raster = RunTool("pdftoppm -r 20 '" + path + "' '" + File("page") + "'");
    EXPECT_EQ(raster.status, 0);
    EXPECT_EQ(raster.text, "");
    EXPECT_TRUE(fs::exists(File("page-3.ppm")));
}

TEST_F(PrinterDC, SvgHoldsOnePageAndPostScriptConverts) {
    GXHostDC* svg = nullptr;
    ASSERT_EQ(GXHostCreatePrinterDC(GXHostPrintSVG, File("p.svg").c_str(), 72, 72, 72, 72, &svg),
              GXResultSuccess);
    EXPECT_EQ(GXHostStartPage(svg), GXResultSuccess);
    EXPECT_EQ(GXHostEndPage(svg), GXResultSuccess);
    EXPECT_EQ(GXHostStartPage(svg), GXResultInvalidArg);
    EXPECT_EQ(GXHostDeleteDC(svg), GXResultSuccess);  // completes the document
    EXPECT_EQ(RunTool("xmllint --noout '" + File("p.svg") + "'").status, 0);

    GXHostDC* ps = nullptr;
    ASSERT_EQ(
        GXHostCreatePrinterDC(GXHostPrintPostScript, File("p.ps").c_str(), 72, 72, 600, 600, &ps),
        GXResultSuccess);
    EXPECT_EQ(GXHostStartPage(ps), GXResultSuccess);
    EXPECT_EQ(GXHostEndDocument(ps), GXResultSuccess);  // ends the open page too
    EXPECT_EQ(GXHostDeleteDC(ps), GXResultSuccess);
    EXPECT_EQ(
        RunTool("gs -q -dBATCH -dNOPAUSE -dSAFER -sDEVICE=nullpage '" + File("p.ps") + "'").status,
        0);
}

TEST_F(PrinterDC, RefusesBadArguments) {
    const std::string path = File("bad.pdf");
    GXHostDC* dc = nullptr;
    EXPECT_EQ(GXHostCreatePrinterDC(GXHostPrintPDF, nullptr, 100, 100, 72, 72, &dc),
              GXResultInvalidArg);
    EXPECT_EQ(GXHostCreatePrinterDC(GXHostPrintPDF, path.c_str(), 100, 100, 72, 72, nullptr),
              GXResultInvalidArg);
    EXPECT_EQ(GXHostCreatePrinterDC(7, path.c_str(), 100, 100, 72, 72, &dc), GXResultInvalidArg);
    for (float side : {0.0f, -1.0f, 1e9f, NAN, INFINITY})
        EXPECT_EQ(GXHostCreatePrinterDC(GXHostPrintPDF, path.c_str(), side, 100, 72, 72, &dc),
                  GXResultInvalidArg);
    for (int32_t dpi : {0, -72, 1000000})
        EXPECT_EQ(GXHostCreatePrinterDC(GXHostPrintPDF, path.c_str(), 100, 100, dpi, 72, &dc),
                  GXResultInvalidArg);
    EXPECT_EQ(GXHostCreatePrinterDC(GXHostPrintPDF, (path + "/no/such/dir.pdf").c_str(), 100, 100,
                                    72, 72, &dc),
              GXResultGraphicsError);
    EXPECT_EQ(dc, nullptr);

    // A context of another kind is no printer.
    GXHostDC* memory = nullptr;
    ASSERT_EQ(GXHostCreateMemoryDC(&memory), GXResultSuccess);
    GXRenderTargetRec_* target = nullptr;
    EXPECT_EQ(GXCreateRenderTargetPrintDC(memory, &target), GXResultInvalidArg);
    EXPECT_EQ(GXHostStartPage(memory), GXResultInvalidArg);
    EXPECT_EQ(target, nullptr);
    EXPECT_EQ(GXCreateRenderTargetPrintDC(nullptr, &target), GXResultInvalidArg);
    EXPECT_EQ(GXHostDeleteDC(memory), GXResultSuccess);
}

}  // namespace
