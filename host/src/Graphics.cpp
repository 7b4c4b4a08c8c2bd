// Graphics state, textures, coordinates and the drawing calls, which the stand-in records per
// frame (and renders to pictures, see Picture.cpp). The OpenGL immediate-mode calls that plug-ins
// make (glBegin, glVertex2i, glColor4f, glColor4fv, glEnd) are recorded the same way.
//
// Local coordinates are a flat tangent plane around a reference point (the aircraft's starting
// position): +x east, +y up (the elevation), +z south, in metres.
#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "HostState.h"
#include "XPLMGraphics.h"

using namespace bmhost::detail;

namespace {

constexpr double kMetresPerDegree = 111319.49;
constexpr double kPi = 3.14159265358979323846;

double MetresPerDegreeOfLongitude() { return kMetresPerDegree * std::cos(S().referenceLatitude * kPi / 180.0); }

}  // namespace

namespace bmhost::detail {

void Record(const char* call, std::vector<double> numbers, std::string text) {
    bmhost::DrawOp op;
    op.call = call;
    op.phase = S().currentPhase;
    op.plugin = S().current;
    op.numbers = std::move(numbers);
    op.text = std::move(text);
    S().drawing.push_back(std::move(op));
}

// Character size of every font: width, height, digits only.
const int kFontDimensions[][3] = {
    {7, 10, 0},  {7, 10, 0},  {8, 12, 0},  {10, 16, 1}, {12, 16, 1}, {8, 12, 0}, {7, 10, 0},
    {7, 10, 0},  {9, 14, 1},  {9, 14, 1},  {9, 14, 1},  {7, 14, 1},  {7, 14, 1}, {7, 14, 1},
    {8, 12, 1},  {10, 14, 1}, {8, 10, 1},  {7, 10, 0},  {6, 10, 0},
};
const int kFontCount = int(sizeof kFontDimensions / sizeof kFontDimensions[0]);

const int* FontDimensions(int font) { return kFontDimensions[font >= 0 && font < kFontCount ? font : 0]; }

}  // namespace bmhost::detail

std::string bmhost::DrawOp::ToString() const {
    std::ostringstream out;
    out << call << "(";
    for (std::size_t i = 0; i < numbers.size(); ++i) out << (i ? ", " : "") << numbers[i];
    if (!text.empty() || call == "XPLMDrawString") out << (numbers.empty() ? "" : ", ") << '"' << text << '"';
    out << ")";
    return out.str();
}

void XPLMSetGraphicsState(int inEnableFog, int inNumberTexUnits, int inEnableLighting, int inEnableAlphaTesting,
                          int inEnableAlphaBlending, int inEnableDepthTesting, int inEnableDepthWriting) {
    BMHOST_ENTER();
    int state[7] = {inEnableFog,           inNumberTexUnits,     inEnableLighting,    inEnableAlphaTesting,
                    inEnableAlphaBlending, inEnableDepthTesting, inEnableDepthWriting};
    std::copy(state, state + 7, S().graphicsState);
    Record("XPLMSetGraphicsState", std::vector<double>(state, state + 7));
}

void XPLMBindTexture2d(int inTextureNum, int inTextureUnit) {
    BMHOST_ENTER();
    if (inTextureUnit >= 0 && inTextureUnit < 4) S().boundTextures[inTextureUnit] = inTextureNum;
    Record("XPLMBindTexture2d", {double(inTextureNum), double(inTextureUnit)});
}

void XPLMGenerateTextureNumbers(int* outTextureIDs, int inCount) {
    BMHOST_ENTER();
    for (int i = 0; outTextureIDs && i < inCount; ++i) outTextureIDs[i] = S().nextTexture++;
}

int XPLMGetTexture(XPLMTextureID inTexture) {
    BMHOST_ENTER();
    // The built-in textures have fixed numbers of their own; anything else names none.
    return inTexture >= xplm_Tex_GeneralInterface && inTexture <= xplm_Tex_AircraftLiteMap ? 1000 + inTexture : 0;
}

void XPLMWorldToLocal(double inLatitude, double inLongitude, double inAltitude, double* outX, double* outY,
                      double* outZ) {
    BMHOST_ENTER();
    if (outX) *outX = (inLongitude - S().referenceLongitude) * MetresPerDegreeOfLongitude();
    if (outY) *outY = inAltitude;
    if (outZ) *outZ = (S().referenceLatitude - inLatitude) * kMetresPerDegree;
}

void XPLMLocalToWorld(double inX, double inY, double inZ, double* outLatitude, double* outLongitude,
                      double* outAltitude) {
    BMHOST_ENTER();
    if (outLatitude) *outLatitude = S().referenceLatitude - inZ / kMetresPerDegree;
    if (outLongitude) *outLongitude = S().referenceLongitude + inX / MetresPerDegreeOfLongitude();
    if (outAltitude) *outAltitude = inY;
}

void XPLMDrawTranslucentDarkBox(int inLeft, int inTop, int inRight, int inBottom) {
    BMHOST_ENTER();
    Record("XPLMDrawTranslucentDarkBox", {double(inLeft), double(inTop), double(inRight), double(inBottom)});
}

// Recorded as (red, green, blue, x, y, wrap width or 0, font) and the text.
void XPLMDrawString(float* inColorRGB, int inXOffset, int inYOffset, char* inChar, int* inWordWrapWidth,
                    XPLMFontID inFontID) {
    BMHOST_ENTER();
    float rgb[3] = {1, 1, 1};
    if (inColorRGB) std::copy(inColorRGB, inColorRGB + 3, rgb);
    Record("XPLMDrawString",
           {rgb[0], rgb[1], rgb[2], double(inXOffset), double(inYOffset),
            double(inWordWrapWidth ? *inWordWrapWidth : 0), double(inFontID)},
           inChar ? inChar : "");
}

// Recorded like a string, with the number as the simulator shows it: at least `inDigits` digits
// before the point (1 to 32) and `inDecimals` after it (0 to 32).
void XPLMDrawNumber(float* inColorRGB, int inXOffset, int inYOffset, double inValue, int inDigits, int inDecimals,
                    int inShowSign, XPLMFontID inFontID) {
    BMHOST_ENTER();
    float rgb[3] = {1, 1, 1};
    if (inColorRGB) std::copy(inColorRGB, inColorRGB + 3, rgb);
    constexpr int kMostDigits = 32;
    int digits = std::clamp(inDigits, 1, kMostDigits), decimals = std::clamp(inDecimals, 0, kMostDigits);
    int width = digits + (decimals > 0 ? decimals + 1 : 0) + (inShowSign ? 1 : 0);
    // Room for the largest double in full (309 digits), its sign, point and decimals.
    char text[400] = "";
    std::snprintf(text, sizeof text, inShowSign ? "%+0*.*f" : "%0*.*f", width, decimals, inValue);
    Record("XPLMDrawNumber",
           {rgb[0], rgb[1], rgb[2], double(inXOffset), double(inYOffset), inValue, double(inDigits),
            double(inDecimals), double(inShowSign), double(inFontID)},
           text);
}

void XPLMGetFontDimensions(XPLMFontID inFontID, int* outCharWidth, int* outCharHeight, int* outDigitsOnly) {
    BMHOST_ENTER();
    const int* dimensions = FontDimensions(inFontID);
    if (outCharWidth) *outCharWidth = dimensions[0];
    if (outCharHeight) *outCharHeight = dimensions[1];
    if (outDigitsOnly) *outDigitsOnly = dimensions[2];
}

// Every character of a font is as wide as the font's table says, the proportional one's too.
float XPLMMeasureString(XPLMFontID inFontID, const char* inChar, int inNumChars) {
    BMHOST_ENTER();
    if (!inChar || inNumChars <= 0) return 0.0f;
    return float(inNumChars) * float(FontDimensions(inFontID)[0]);
}

// ---- OpenGL immediate mode, recorded ----

void glBegin(GLenum mode) { Record("glBegin", {double(mode)}); }
void glEnd(void) { Record("glEnd", {}); }
void glVertex2i(GLint x, GLint y) { Record("glVertex2i", {double(x), double(y)}); }
void glColor4f(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha) {
    Record("glColor4f", {red, green, blue, alpha});
}
void glColor4fv(const GLfloat* v) {
    if (v) Record("glColor4fv", {v[0], v[1], v[2], v[3]});
}

namespace bmhost {
const std::vector<DrawOp>& LastFrameDrawing() { return S().lastFrame; }
}  // namespace bmhost
