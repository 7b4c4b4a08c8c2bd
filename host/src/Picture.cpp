// Renders a frame's drawing record into a picture of the screen and writes it as PNG.
//
// The simulator's own drawing is a backdrop: sky and ground when it drew the first scene
// phase, black otherwise. Text uses DejaVu Sans at the height of the font's characters, each
// character in a cell of the font's width (the proportional font excepted), so that text lines
// up with what XPLMGetFontDimensions tells plug-ins, a text field's caret with its characters.
// OpenGL primitives are drawn flat in the colour current at their first vertex. The widget
// library's window frames, elements and tracks are drawn flat too, in the bluish greys of the
// simulator's interface, with bevels, arrows and marks enough to tell one from another.
#include <GL/gl.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <png.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "HostState.h"
#include "UIGraphics.h"
#include "XPLMGraphics.h"
#include "XPUIGraphics.h"

using namespace bmhost::detail;

namespace {

// A screen coordinate: wide enough that an int coordinate plus the offsets of drawing stays exact.
using Coord = long long;

struct Colour {
    float r, g, b, a;
};

class Canvas {
public:
    Canvas(int width, int height) : width_(width), height_(height), pixels_(std::size_t(width) * height * 3, 0.0f) {}

    // (x, y) with y upward, as the simulator's screen. Coordinates may lie anywhere: whatever
    // falls outside the canvas is left out.
    void Blend(Coord x, Coord y, const Colour& c, float coverage = 1.0f) {
        if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
        float a = std::clamp(c.a * coverage, 0.0f, 1.0f);
        float* p = &pixels_[(std::size_t(height_ - 1 - y) * width_ + x) * 3];
        p[0] = p[0] * (1 - a) + c.r * a;
        p[1] = p[1] * (1 - a) + c.g * a;
        p[2] = p[2] * (1 - a) + c.b * a;
    }

    void FillRect(Coord left, Coord bottom, Coord right, Coord top, const Colour& c) {
        int x0 = int(std::clamp<Coord>(left, 0, width_)), x1 = int(std::clamp<Coord>(right, 0, width_));
        int y0 = int(std::clamp<Coord>(bottom, 0, height_)), y1 = int(std::clamp<Coord>(top, 0, height_));
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) Blend(x, y, c);
    }

    void FillCircle(double centreX, double centreY, double radius, const Colour& c) {
        int x0 = int(std::clamp(std::floor(centreX - radius), 0.0, double(width_)));
        int x1 = int(std::clamp(std::ceil(centreX + radius), 0.0, double(width_)));
        int y0 = int(std::clamp(std::floor(centreY - radius), 0.0, double(height_)));
        int y1 = int(std::clamp(std::ceil(centreY + radius), 0.0, double(height_)));
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) {
                double dx = x + 0.5 - centreX, dy = y + 0.5 - centreY;
                if (dx * dx + dy * dy <= radius * radius) Blend(x, y, c);
            }
    }

    void FillTriangle(const double* a, const double* b, const double* c, const Colour& colour) {
        auto edge = [](const double* p, const double* q, double x, double y) {
            return (q[0] - p[0]) * (y - p[1]) - (q[1] - p[1]) * (x - p[0]);
        };
        if (edge(a, b, c[0], c[1]) == 0) return;
        // The pixels of the bounding box that lie on the canvas.
        int x0 = int(std::clamp(std::floor(std::min({a[0], b[0], c[0]})), 0.0, double(width_)));
        int x1 = int(std::clamp(std::ceil(std::max({a[0], b[0], c[0]})), -1.0, double(width_ - 1)));
        int y0 = int(std::clamp(std::floor(std::min({a[1], b[1], c[1]})), 0.0, double(height_)));
        int y1 = int(std::clamp(std::ceil(std::max({a[1], b[1], c[1]})), -1.0, double(height_ - 1)));
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) {
                double px = x + 0.5, py = y + 0.5;
                double w0 = edge(b, c, px, py), w1 = edge(c, a, px, py), w2 = edge(a, b, px, py);
                if ((w0 >= 0 && w1 >= 0 && w2 >= 0) || (w0 <= 0 && w1 <= 0 && w2 <= 0)) Blend(x, y, colour);
            }
    }

    // A line between two pixels; one that leaves the canvas is first cut to its part just
    // around it (a pixel of margin), so that however far its ends lie, the steps stay few.
    void Line(double fromX, double fromY, double toX, double toY, const Colour& c) {
        if (!Inside(fromX, fromY) || !Inside(toX, toY)) {
            double t0 = 0, t1 = 1, dx = toX - fromX, dy = toY - fromY;
            // Keeps the part where p * t <= q.
            auto keep = [&](double p, double q) {
                if (p == 0) return q >= 0;
                double t = q / p;
                if (p < 0) t0 = std::max(t0, t);
                else t1 = std::min(t1, t);
                return t0 <= t1;
            };
            if (!keep(-dx, fromX + 1) || !keep(dx, width_ - fromX) || !keep(-dy, fromY + 1) ||
                !keep(dy, height_ - fromY))
                return;
            toX = fromX + t1 * dx, toY = fromY + t1 * dy;
            fromX += t0 * dx, fromY += t0 * dy;
        }
        int x0 = int(std::lround(fromX)), y0 = int(std::lround(fromY)), x1 = int(std::lround(toX)),
            y1 = int(std::lround(toY));
        int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0), sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
        for (int err = dx + dy;;) {
            Blend(x0, y0, c);
            if (x0 == x1 && y0 == y1) break;
            int e2 = 2 * err;
            if (e2 >= dy) err += dy, x0 += sx;
            if (e2 <= dx) err += dx, y0 += sy;
        }
    }

    bool WritePng(const std::string& path, std::string* error) const {
        std::vector<unsigned char> bytes(pixels_.size());
        for (std::size_t i = 0; i < pixels_.size(); ++i)
            bytes[i] = static_cast<unsigned char>(std::lround(std::clamp(pixels_[i], 0.0f, 1.0f) * 255));
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        image.width = png_uint_32(width_);
        image.height = png_uint_32(height_);
        image.format = PNG_FORMAT_RGB;
        if (!png_image_write_to_file(&image, path.c_str(), 0, bytes.data(), 0, nullptr)) {
            if (error) *error = image.message;
            return false;
        }
        return true;
    }

    int Width() const { return width_; }
    int Height() const { return height_; }

private:
    bool Inside(double x, double y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

    int width_, height_;
    std::vector<float> pixels_;
};

// DejaVu Sans through FreeType; without the font, text is drawn as blocks.
class TextRenderer {
public:
    TextRenderer() {
        if (FT_Init_FreeType(&library_)) return;
        for (const char* path : {"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
                                 "/usr/share/fonts/TTF/DejaVuSans.ttf"})
            if (!FT_New_Face(library_, path, 0, &face_)) break;
    }
    ~TextRenderer() {
        if (face_) FT_Done_Face(face_);
        if (library_) FT_Done_FreeType(library_);
    }

    int Advance(char c, int height) {
        if (static_cast<unsigned char>(c) < 32) c = ' ';
        if (!face_) return height * 6 / 10;
        FT_Set_Pixel_Sizes(face_, 0, FT_UInt(height));
        if (FT_Load_Char(face_, static_cast<unsigned char>(c), FT_LOAD_DEFAULT)) return 0;
        return int(face_->glyph->advance.x >> 6);
    }

    // Text with its baseline at y; lines wrap at `wrap` pixels (0: no wrapping). Characters
    // stand `cell` pixels apart, or as far as their glyphs are wide for a cell of 0.
    void Draw(Canvas& canvas, const std::string& text, Coord x, Coord y, int height, int cell, int wrap,
              const Colour& colour) {
        Coord penX = x, penY = y;
        std::size_t i = 0;
        while (i < text.size()) {
            std::size_t wordEnd = text.find(' ', i);
            if (wordEnd == std::string::npos) wordEnd = text.size();
            Coord wordWidth = 0;
            for (std::size_t k = i; k < wordEnd; ++k) wordWidth += cell > 0 ? cell : Advance(text[k], height);
            if (wrap > 0 && penX > x && penX + wordWidth - x > wrap) {
                penX = x;
                penY -= height + 2;
            }
            for (std::size_t k = i; k <= wordEnd && k < text.size(); ++k) {
                if (cell > 0) {  // the glyph in the middle of its cell
                    Glyph(canvas, text[k], penX + (cell - Advance(text[k], height)) / 2, penY, height, colour);
                    penX += cell;
                } else {
                    penX += Glyph(canvas, text[k], penX, penY, height, colour);
                }
            }
            i = wordEnd + 1;
        }
    }

private:
    int Glyph(Canvas& canvas, char c, Coord x, Coord y, int height, const Colour& colour) {
        if (static_cast<unsigned char>(c) < 32) c = ' ';  // line ends and tabs leave a blank, as in the simulator's fonts
        if (!face_) {
            if (c != ' ') canvas.FillRect(x, y, x + height / 2, y + height * 7 / 10, colour);
            return height * 6 / 10;
        }
        FT_Set_Pixel_Sizes(face_, 0, FT_UInt(height));
        if (FT_Load_Char(face_, static_cast<unsigned char>(c), FT_LOAD_RENDER)) return 0;
        const FT_GlyphSlot g = face_->glyph;
        for (unsigned row = 0; row < g->bitmap.rows; ++row)
            for (unsigned col = 0; col < g->bitmap.width; ++col) {
                float coverage = g->bitmap.buffer[row * unsigned(g->bitmap.pitch) + col] / 255.0f;
                if (coverage > 0) canvas.Blend(x + g->bitmap_left + int(col), y + g->bitmap_top - int(row), colour, coverage);
            }
        return int(g->advance.x >> 6);
    }

    FT_Library library_ = nullptr;
    FT_Face face_ = nullptr;
};

void Backdrop(Canvas& canvas, const std::vector<bmhost::DrawOp>& ops) {
    bool scene = std::any_of(ops.begin(), ops.end(), [](const bmhost::DrawOp& op) {
        return op.call == "phase" && op.numbers[0] == xplm_Phase_FirstScene;
    });
    if (!scene) return;
    int horizon = canvas.Height() * 2 / 5;
    for (int y = 0; y < canvas.Height(); ++y) {
        float t = y < horizon ? 0 : float(y - horizon) / float(canvas.Height() - horizon);
        Colour c = y < horizon ? Colour{0.33f, 0.42f, 0.25f, 1} : Colour{0.62f - 0.3f * t, 0.76f - 0.25f * t, 0.93f - 0.1f * t, 1};
        canvas.FillRect(0, y, canvas.Width(), y + 1, c);
    }
}

// Draws one primitive of collected vertices.
void Primitive(Canvas& canvas, GLenum mode, const std::vector<double>& v, const Colour& c) {
    std::size_t n = v.size() / 2;
    auto at = [&](std::size_t i) { return &v[2 * i]; };
    auto line = [&](std::size_t i, std::size_t j) { canvas.Line(at(i)[0], at(i)[1], at(j)[0], at(j)[1], c); };
    switch (mode) {
        case GL_POINTS:
            for (std::size_t i = 0; i < n; ++i) canvas.Blend(Coord(at(i)[0]), Coord(at(i)[1]), c);
            break;
        case GL_LINES:
            for (std::size_t i = 0; i + 1 < n; i += 2) line(i, i + 1);
            break;
        case GL_LINE_STRIP:
        case GL_LINE_LOOP:
            for (std::size_t i = 0; i + 1 < n; ++i) line(i, i + 1);
            if (mode == GL_LINE_LOOP && n > 2) line(n - 1, 0);
            break;
        case GL_TRIANGLES:
            for (std::size_t i = 0; i + 2 < n; i += 3) canvas.FillTriangle(at(i), at(i + 1), at(i + 2), c);
            break;
        case GL_TRIANGLE_STRIP:
        case GL_QUAD_STRIP:
            for (std::size_t i = 0; i + 2 < n; ++i) canvas.FillTriangle(at(i), at(i + 1), at(i + 2), c);
            break;
        case GL_QUADS:
            for (std::size_t i = 0; i + 3 < n; i += 4) {
                canvas.FillTriangle(at(i), at(i + 1), at(i + 2), c);
                canvas.FillTriangle(at(i), at(i + 2), at(i + 3), c);
            }
            break;
        default:  // GL_TRIANGLE_FAN, GL_POLYGON
            for (std::size_t i = 1; i + 1 < n; ++i) canvas.FillTriangle(at(0), at(i), at(i + 1), c);
            break;
    }
}

// ---- The widget library's frames, elements and tracks ----

// A box of pixels: columns left to right - 1, rows bottom to top - 1.
struct Rect {
    Coord left, bottom, right, top;
    Coord Width() const { return right - left; }
    Coord Height() const { return top - bottom; }
    double CentreX() const { return (double(left) + double(right)) / 2; }
    double CentreY() const { return (double(bottom) + double(top)) / 2; }
    Rect Inset(Coord by) const {
        Coord x = std::min(by, Width() / 2), y = std::min(by, Height() / 2);
        return Rect{left + x, bottom + y, right - x, top - y};
    }
};

Rect RectOf(const std::vector<double>& n) {
    Box box = NormalisedBox(int(n[0]), int(n[1]), int(n[2]), int(n[3]));
    return Rect{box.left, box.bottom, box.right, box.top};
}

namespace ui {
const Colour kWindow{0.58f, 0.61f, 0.65f, 1};
const Colour kTitleBar{0.26f, 0.33f, 0.44f, 1};
const Colour kHelp{0.93f, 0.89f, 0.70f, 1};
const Colour kSubWindow{0.48f, 0.51f, 0.55f, 1};
const Colour kScreen{0.08f, 0.11f, 0.13f, 1};
const Colour kListView{0.93f, 0.93f, 0.90f, 1};
const Colour kEdge{0.15f, 0.17f, 0.20f, 1};
const Colour kHighlight{0.82f, 0.84f, 0.87f, 1};
const Colour kShadow{0.30f, 0.32f, 0.36f, 1};
const Colour kFace{0.74f, 0.76f, 0.79f, 1};
const Colour kLit{0.98f, 0.78f, 0.30f, 1};
const Colour kPaper{0.96f, 0.96f, 0.93f, 1};
const Colour kCheck{0.15f, 0.55f, 0.20f, 1};
const Colour kClose{0.72f, 0.30f, 0.28f, 1};
const Colour kClosePressed{0.45f, 0.18f, 0.16f, 1};
const Colour kMark{0.10f, 0.10f, 0.12f, 1};
const Colour kWhite{1, 1, 1, 1};
const Colour kGroove{0.30f, 0.33f, 0.37f, 1};
const Colour kFill{0.25f, 0.55f, 0.90f, 1};
}  // namespace ui

void Fill(Canvas& canvas, const Rect& r, const Colour& c) { canvas.FillRect(r.left, r.bottom, r.right, r.top, c); }

// A one-pixel outline just inside the box.
void Outline(Canvas& canvas, const Rect& r, const Colour& c) {
    if (r.Width() <= 0 || r.Height() <= 0) return;
    canvas.FillRect(r.left, r.bottom, r.right, r.bottom + 1, c);
    canvas.FillRect(r.left, r.top - 1, r.right, r.top, c);
    canvas.FillRect(r.left, r.bottom, r.left + 1, r.top, c);
    canvas.FillRect(r.right - 1, r.bottom, r.right, r.top, c);
}

// A face lit from the top left: raised, or sunk into its surroundings.
void Bevel(Canvas& canvas, const Rect& r, const Colour& face, bool raised = true) {
    if (r.Width() <= 0 || r.Height() <= 0) return;
    Fill(canvas, r, face);
    const Colour& topLeft = raised ? ui::kHighlight : ui::kShadow;
    const Colour& bottomRight = raised ? ui::kShadow : ui::kHighlight;
    canvas.FillRect(r.left, r.top - 1, r.right, r.top, topLeft);
    canvas.FillRect(r.left, r.bottom, r.left + 1, r.top, topLeft);
    canvas.FillRect(r.left, r.bottom, r.right, r.bottom + 1, bottomRight);
    canvas.FillRect(r.right - 1, r.bottom, r.right, r.top, bottomRight);
}

enum class Direction { Up, Down, Left, Right };

// An arrow head filling the middle of the box.
void Arrow(Canvas& canvas, const Rect& r, Direction direction, const Colour& c) {
    Rect in = r.Inset(std::max<Coord>(2, std::min(r.Width(), r.Height()) / 4));
    double l = double(in.left), b = double(in.bottom), rt = double(in.right), t = double(in.top);
    double cx = in.CentreX(), cy = in.CentreY();
    double a[2], p[2], q[2];
    switch (direction) {
        case Direction::Up: a[0] = cx, a[1] = t, p[0] = l, p[1] = b, q[0] = rt, q[1] = b; break;
        case Direction::Down: a[0] = cx, a[1] = b, p[0] = l, p[1] = t, q[0] = rt, q[1] = t; break;
        case Direction::Left: a[0] = l, a[1] = cy, p[0] = rt, p[1] = b, q[0] = rt, q[1] = t; break;
        case Direction::Right: a[0] = rt, a[1] = cy, p[0] = l, p[1] = b, q[0] = l, q[1] = t; break;
    }
    canvas.FillTriangle(a, p, q, c);
}

void Cross(Canvas& canvas, const Rect& r, const Colour& c) {
    Rect in = r.Inset(std::max<Coord>(3, std::min(r.Width(), r.Height()) / 4));
    double l = double(in.left), b = double(in.bottom), rt = double(in.right - 1), t = double(in.top - 1);
    for (int shift = 0; shift < 2; ++shift) {  // two pixels wide
        canvas.Line(l + shift, b, rt + shift, t, c);
        canvas.Line(l + shift, t, rt + shift, b, c);
    }
}

void DrawWindowFrame(Canvas& canvas, const Rect& r, int style) {
    switch (style) {
        case xpWindow_MainWindow: {
            Fill(canvas, r, ui::kWindow);
            Rect bar{r.left, std::max(r.bottom, r.top - kTitleBarHeight), r.right, r.top};
            Fill(canvas, bar, ui::kTitleBar);
            canvas.FillRect(r.left, bar.bottom, r.right, bar.bottom + 1, ui::kEdge);
            Outline(canvas, r, ui::kEdge);
            break;
        }
        case xpWindow_Help:
            Fill(canvas, r, ui::kHelp);
            Outline(canvas, r, ui::kEdge);
            break;
        case xpWindow_SubWindow: Bevel(canvas, r, ui::kSubWindow, false); break;
        case xpWindow_Screen:
            Fill(canvas, r, ui::kScreen);
            Outline(canvas, r, ui::kShadow);
            break;
        case xpWindow_ListView:
            Fill(canvas, r, ui::kListView);
            Outline(canvas, r, ui::kShadow);
            break;
        default:  // a style the simulator does not have: a plain panel
            Fill(canvas, r, ui::kWindow);
            break;
    }
}

// The map icons: a disc in a colour of their own with a darker ring, brighter when lit.
void DrawIcon(Canvas& canvas, const Rect& r, int style, bool lit) {
    static const Colour kColours[] = {
        {0.85f, 0.25f, 0.25f, 1}, {0.25f, 0.55f, 0.85f, 1}, {0.30f, 0.70f, 0.35f, 1},
        {0.80f, 0.60f, 0.20f, 1}, {0.60f, 0.35f, 0.75f, 1}, {0.20f, 0.70f, 0.70f, 1},
    };
    Colour c = kColours[unsigned(style) % (sizeof kColours / sizeof kColours[0])];
    if (lit) c = Colour{std::min(1.0f, c.r + 0.2f), std::min(1.0f, c.g + 0.2f), std::min(1.0f, c.b + 0.2f), 1};
    double radius = double(std::min(r.Width(), r.Height())) / 2;
    canvas.FillCircle(r.CentreX(), r.CentreY(), radius, ui::kMark);
    canvas.FillCircle(r.CentreX(), r.CentreY(), std::max(0.0, radius - 1.5), c);
}

void DrawElement(Canvas& canvas, const Rect& r, int style, bool lit) {
    switch (style) {
        case xpElement_TextField:
        case xpElement_TextFieldMiddle:
            Bevel(canvas, r, ui::kPaper, false);
            Outline(canvas, r.Inset(1), ui::kEdge);
            break;
        case xpElement_CheckBox:
        case xpElement_CheckBoxLit:  // lit: checked
            Bevel(canvas, r, ui::kPaper, false);
            if (lit || style == xpElement_CheckBoxLit) Fill(canvas, r.Inset(std::max<Coord>(3, r.Width() / 5)), ui::kCheck);
            break;
        case xpElement_WindowCloseBox:
        case xpElement_WindowCloseBoxPressed: {
            bool pressed = style == xpElement_WindowCloseBoxPressed;
            Bevel(canvas, r, pressed ? ui::kClosePressed : ui::kClose, !pressed);
            Cross(canvas, r, ui::kWhite);
            break;
        }
        case xpElement_PushButton:
        case xpElement_PushButtonLit:
            Bevel(canvas, r, lit || style == xpElement_PushButtonLit ? ui::kLit : ui::kFace);
            Outline(canvas, r, ui::kEdge);
            break;
        case xpElement_LittleDownArrow:
        case xpElement_LittleUpArrow:
            Bevel(canvas, r, lit ? ui::kLit : ui::kFace);
            Arrow(canvas, r, style == xpElement_LittleUpArrow ? Direction::Up : Direction::Down, ui::kMark);
            break;
        case xpElement_ScrollBar: {  // a small vertical bar, thumb in the middle
            Fill(canvas, r, ui::kGroove);
            Coord side = std::min(r.Width(), r.Height() / 3);
            Rect down{r.left, r.bottom, r.right, r.bottom + side}, up{r.left, r.top - side, r.right, r.top};
            Bevel(canvas, down, ui::kFace);
            Arrow(canvas, down, Direction::Down, ui::kMark);
            Bevel(canvas, up, ui::kFace);
            Arrow(canvas, up, Direction::Up, ui::kMark);
            Coord middle = Coord(r.CentreY());
            Bevel(canvas, Rect{r.left, middle - side / 2, r.right, middle + side / 2}, ui::kFace);
            break;
        }
        case xpElement_WindowDragBar:
        case xpElement_WindowDragBarSmooth:
            Fill(canvas, r, ui::kTitleBar);
            if (style == xpElement_WindowDragBar)  // ridges to take hold of
                for (Coord y = r.bottom + 3; y + 1 < r.top - 2; y += 3)
                    canvas.FillRect(r.left + 4, y, r.right - 4, y + 1, ui::kShadow);
            break;
        case xpElement_EditingGrid:
        case xpElement_CopyButtonsWithEditingGrid:
            Bevel(canvas, r, ui::kPaper, false);
            for (Coord x = r.left + 8; x < r.right; x += 8) canvas.FillRect(x, r.bottom, x + 1, r.top, ui::kFace);
            for (Coord y = r.bottom + 8; y < r.top; y += 8) canvas.FillRect(r.left, y, r.right, y + 1, ui::kFace);
            break;
        case xpElement_CopyButtons:
        case xpElement_Zoomer: {  // two buttons side by side
            Coord half = r.left + r.Width() / 2;
            Bevel(canvas, Rect{r.left, r.bottom, half, r.top}, ui::kFace);
            Bevel(canvas, Rect{half, r.bottom, r.right, r.top}, ui::kFace);
            break;
        }
        default:
            DrawIcon(canvas, r, style, lit);
            break;
    }
}

void DrawTrack(Canvas& canvas, const std::vector<double>& n) {
    Rect r = RectOf(n);
    int style = int(n[7]);
    bool lit = n[8] != 0 && style != xpTrack_Progress;
    TrackLayout t = LayOutTrack(int(n[0]), int(n[1]), int(n[2]), int(n[3]), int(n[4]), int(n[5]), int(n[6]), style);
    // The part of the track from `from` to `to` pixels along its long axis.
    auto part = [&](Coord from, Coord to) {
        return t.vertical ? Rect{r.left, r.bottom + from, r.right, r.bottom + to}
                          : Rect{r.left + from, r.bottom, r.left + to, r.top};
    };
    Coord thumbStart = Coord(t.downButton) + t.downPage, thumbEnd = thumbStart + t.thumb;
    Coord length = Coord(t.downButton) + t.downPage + t.thumb + t.upPage + t.upButton;
    switch (style) {
        case xpTrack_Slider: {
            Coord groove = std::max<Coord>(2, t.thickness / 4), middle = t.thickness / 2;
            Rect line = t.vertical ? Rect{r.left + middle - groove / 2, r.bottom, r.left + middle - groove / 2 + groove, r.top}
                                   : Rect{r.left, r.bottom + middle - groove / 2, r.right, r.bottom + middle - groove / 2 + groove};
            Bevel(canvas, line, ui::kGroove, false);
            Rect thumb = part(thumbStart, thumbEnd);
            double radius = double(std::min(thumb.Width(), thumb.Height())) / 2;
            canvas.FillCircle(thumb.CentreX(), thumb.CentreY(), radius, ui::kEdge);
            canvas.FillCircle(thumb.CentreX(), thumb.CentreY(), std::max(0.0, radius - 1), lit ? ui::kLit : ui::kFace);
            break;
        }
        case xpTrack_Progress:
            Bevel(canvas, r, ui::kGroove, false);
            Fill(canvas, part(0, thumbStart).Inset(1), ui::kFill);
            break;
        default: {  // a scroll bar
            Bevel(canvas, r, ui::kGroove, false);
            Rect down = part(0, t.downButton), up = part(length - t.upButton, length);
            if (t.downButton > 0) {
                Bevel(canvas, down, ui::kFace);
                Arrow(canvas, down, t.vertical ? Direction::Down : Direction::Left, ui::kMark);
            }
            if (t.upButton > 0) {
                Bevel(canvas, up, ui::kFace);
                Arrow(canvas, up, t.vertical ? Direction::Up : Direction::Right, ui::kMark);
            }
            Bevel(canvas, part(thumbStart, thumbEnd), lit ? ui::kLit : ui::kFace);
            break;
        }
    }
}

void Render(Canvas& canvas, const std::vector<bmhost::DrawOp>& ops) {
    TextRenderer text;
    Backdrop(canvas, ops);
    Colour current{1, 1, 1, 1};
    GLenum mode = GL_POINTS;
    bool inPrimitive = false;
    Colour primitiveColour = current;
    std::vector<double> vertices;
    for (const bmhost::DrawOp& op : ops) {
        const std::vector<double>& n = op.numbers;
        if (op.call == "XPLMDrawTranslucentDarkBox") {
            canvas.FillRect(Coord(n[0]), Coord(n[3]), Coord(n[2]), Coord(n[1]), Colour{0, 0, 0, 0.5f});
        } else if (op.call == "XPLMDrawString" || op.call == "XPLMDrawNumber") {
            int font = int(n.back());
            int wrap = op.call == "XPLMDrawString" ? int(n[5]) : 0;
            const int* size = FontDimensions(font);
            text.Draw(canvas, op.text, Coord(n[3]), Coord(n[4]), size[1], font == xplmFont_Proportional ? 0 : size[0], wrap,
                      Colour{float(n[0]), float(n[1]), float(n[2]), 1});
        } else if (op.call == "XPDrawWindow") {
            DrawWindowFrame(canvas, RectOf(n), int(n[4]));
        } else if (op.call == "frame") {  // a modern window's decoration: a dark body, the title above
            Rect r = RectOf(n);
            canvas.FillRect(r.left, r.bottom, r.right, r.top, Colour{0.12f, 0.14f, 0.17f, 0.9f});
            canvas.FillRect(r.left, r.top, r.right, r.top + kTitleBarHeight, Colour{0.22f, 0.25f, 0.3f, 1});
            text.Draw(canvas, op.text, r.left + 6, r.top + 5, 10, 7, 0, Colour{1, 1, 1, 1});
        } else if (op.call == "XPDrawElement") {
            DrawElement(canvas, RectOf(n), int(n[4]), n[5] != 0);
        } else if (op.call == "XPDrawTrack") {
            DrawTrack(canvas, n);
        } else if (op.call == "glColor4f" || op.call == "glColor4fv") {
            current = Colour{float(n[0]), float(n[1]), float(n[2]), float(n[3])};
        } else if (op.call == "glBegin") {
            mode = GLenum(n[0]);
            inPrimitive = true;
            vertices.clear();
        } else if (op.call == "glVertex2i" && inPrimitive) {
            if (vertices.empty()) primitiveColour = current;
            vertices.push_back(n[0]);
            vertices.push_back(n[1]);
        } else if (op.call == "glEnd" && inPrimitive) {
            Primitive(canvas, mode, vertices, primitiveColour);
            inPrimitive = false;
        }
    }
}

// A map's icons and labels (see bmhost::SaveMapPicture): map units to pixels about the centre.
void RenderMap(Canvas& canvas, const std::vector<bmhost::DrawOp>& ops) {
    constexpr double kUnitsPerPixel = 125.0, kPi = 3.14159265358979323846;
    const Colour palette[] = {{0.85f, 0.2f, 0.2f, 1}, {0.2f, 0.4f, 0.85f, 1}, {0.15f, 0.6f, 0.25f, 1},
                              {0.9f, 0.6f, 0.1f, 1},  {0.55f, 0.25f, 0.7f, 1}, {0.1f, 0.6f, 0.65f, 1}};
    canvas.FillRect(0, 0, canvas.Width(), canvas.Height(), Colour{0.93f, 0.92f, 0.85f, 1});
    auto px = [&](double x) { return canvas.Width() / 2.0 + x / kUnitsPerPixel; };
    auto py = [&](double y) { return canvas.Height() / 2.0 + y / kUnitsPerPixel; };
    TextRenderer text;
    for (const bmhost::DrawOp& op : ops) {
        const std::vector<double>& n = op.numbers;
        if (op.call == "XPLMDrawMapIconFromSheet") {
            double cell = n[0] + n[1] * std::max(n[2], 1.0);
            const Colour& c = palette[std::size_t(std::fabs(std::fmod(cell, 6.0)))];
            double x = px(n[4]), y = py(n[5]), radius = std::max(n[8] / kUnitsPerPixel / 2.0, 3.0);
            canvas.FillCircle(x, y, radius, c);
            double angle = n[7] * kPi / 180.0;  // clockwise from up
            canvas.Line(x, y, x + std::sin(angle) * radius * 1.6, y + std::cos(angle) * radius * 1.6,
                        Colour{0.1f, 0.1f, 0.1f, 1});
        } else if (op.call == "XPLMDrawMapLabel") {
            int width = 0;
            for (char ch : op.text) width += text.Advance(ch, 12);
            text.Draw(canvas, op.text, Coord(std::lround(px(n[0]) - width / 2.0)), Coord(std::lround(py(n[1]))) - 18,
                      12, 0, 0, Colour{0.1f, 0.1f, 0.15f, 1});
        }
    }
}

}  // namespace

namespace bmhost {

bool SaveMapPicture(const std::string& path, const std::string& map, std::string* error) {
    if (!MapIsOpen(map)) {
        if (error) *error = "the map " + map + " is not open";
        return false;
    }
    Canvas canvas(800, 800);
    RenderMap(canvas, LastMapDrawing(map));
    return canvas.WritePng(path, error);
}

bool SavePicture(const std::string& path, std::string* error) {
    Canvas canvas(std::max(S().screenWidth, 1), std::max(S().screenHeight, 1));
    Render(canvas, S().lastFrame);
    return canvas.WritePng(path, error);
}

long PicturePixel(const std::string& path, int x, int y) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return -1;
    image.format = PNG_FORMAT_RGB;
    std::vector<unsigned char> bytes(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, bytes.data(), 0, nullptr)) return -1;
    if (x < 0 || y < 0 || x >= int(image.width) || y >= int(image.height)) return -1;
    const unsigned char* p = &bytes[(std::size_t(image.height - 1 - unsigned(y)) * image.width + unsigned(x)) * 3];
    return (long(p[0]) << 16) | (long(p[1]) << 8) | long(p[2]);
}

}  // namespace bmhost
