#include "Palette.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace mosvik::host::bitmap::detail {

namespace {

constexpr int cellCount = 1 << 15;
constexpr size_t maxRemembered = size_t(1) << 16;

int cellOf(QRgb c) {
    return ((qRed(c) >> 3) << 10) | ((qGreen(c) >> 3) << 5) | (qBlue(c) >> 3);
}

// The colour a premultiplied pixel shows, made opaque.
QRgb opaqueOf(uint32_t premultiplied) {
    const QRgb c = qUnpremultiply(premultiplied);
    return qRgb(qRed(c), qGreen(c), qBlue(c));
}

bool countsAsTransparent(uint32_t premultiplied) {
    return qAlpha(premultiplied) < 128;
}

int distance(QRgb a, QRgb b) {
    const int dr = qRed(a) - qRed(b), dg = qGreen(a) - qGreen(b), db = qBlue(a) - qBlue(b);
    return dr * dr + dg * dg + db * db;
}

} // namespace

Palette grayPalette(int levels, bool transparent) {
    Palette p;
    for (int i = 0; i < levels; ++i) {
        const int v = levels == 1 ? 0 : (i * 255 + (levels - 1) / 2) / (levels - 1);
        p.colours.push_back(qRgb(v, v, v));
    }
    if (transparent) {
        p.transparent = static_cast<int>(p.colours.size());
        p.colours.push_back(qRgba(0, 0, 0, 0));
    }
    return p;
}

ColourCounter::ColourCounter(bool transparent) : transparent_(transparent), cells_(cellCount) {}

void ColourCounter::add(const QImage& band, int rows) {
    for (int y = 0; y < rows; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(band.constScanLine(y));
        uint32_t last = 0;
        QRgb lastColour = 0;
        bool haveLast = false;
        for (int x = 0; x < band.width(); ++x) {
            const uint32_t p = row[x];
            if (transparent_ && countsAsTransparent(p))
                continue;
            if (!haveLast || p != last) {
                last = p;
                lastColour = opaqueOf(p);
                haveLast = true;
            }
            Cell& cell = cells_[static_cast<size_t>(cellOf(lastColour))];
            ++cell.count;
            cell.r += qRed(lastColour);
            cell.g += qGreen(lastColour);
            cell.b += qBlue(lastColour);
            if (!tooMany_) {
                ++exact_[lastColour];
                if (exact_.size() > exactLimit_) {
                    tooMany_ = true;
                    exact_.clear();
                }
            }
        }
    }
}

Palette ColourCounter::palette(int entries) const {
    const int places = std::max(1, entries - (transparent_ ? 1 : 0));
    Palette p;
    if (!tooMany_ && exact_.size() <= static_cast<size_t>(places)) {
        for (const auto& [colour, count] : exact_)
            p.colours.push_back(colour);
        std::sort(p.colours.begin(), p.colours.end());
    } else {
        // Median cut over the exact colours while they are few enough to
        // keep, else over the cells' means: split the box whose colours
        // spread widest (weighted by its pixels) at the median of its
        // longest side; each entry is the mean of its box.
        struct Point {
            std::array<int, 3> c;
            uint64_t count, r, g, b;
        };
        std::vector<Point> points;
        if (!tooMany_) {
            for (const auto& [colour, count] : exact_)
                points.push_back(Point{{qRed(colour), qGreen(colour), qBlue(colour)},
                                       count,
                                       count * static_cast<uint64_t>(qRed(colour)),
                                       count * static_cast<uint64_t>(qGreen(colour)),
                                       count * static_cast<uint64_t>(qBlue(colour))});
        } else {
            for (const Cell& cell : cells_)
                if (cell.count)
                    points.push_back(Point{{static_cast<int>(cell.r / cell.count),
                                            static_cast<int>(cell.g / cell.count),
                                            static_cast<int>(cell.b / cell.count)},
                                           cell.count,
                                           cell.r,
                                           cell.g,
                                           cell.b});
        }
        struct Box {
            size_t begin, end;
        };
        auto spread = [&](const Box& b, int& longest) {
            std::array<int, 3> lo{255, 255, 255}, hi{0, 0, 0};
            uint64_t count = 0;
            for (size_t i = b.begin; i < b.end; ++i) {
                for (size_t c = 0; c < 3; ++c) {
                    lo[c] = std::min(lo[c], points[i].c[c]);
                    hi[c] = std::max(hi[c], points[i].c[c]);
                }
                count += points[i].count;
            }
            longest = 0;
            for (int c = 1; c < 3; ++c)
                if (hi[size_t(c)] - lo[size_t(c)] > hi[size_t(longest)] - lo[size_t(longest)])
                    longest = c;
            const int range = hi[size_t(longest)] - lo[size_t(longest)];
            return static_cast<double>(range) * std::sqrt(static_cast<double>(count));
        };
        std::vector<Box> boxes;
        if (!points.empty())
            boxes.push_back(Box{0, points.size()});
        while (boxes.size() < static_cast<size_t>(places)) {
            double best = 0;
            size_t pick = boxes.size();
            int pickChannel = 0;
            for (size_t i = 0; i < boxes.size(); ++i) {
                if (boxes[i].end - boxes[i].begin < 2)
                    continue;
                int longest = 0;
                const double s = spread(boxes[i], longest);
                if (s > best) {
                    best = s;
                    pick = i;
                    pickChannel = longest;
                }
            }
            if (pick == boxes.size())
                break;
            Box& b = boxes[pick];
            const auto first = points.begin() + static_cast<std::ptrdiff_t>(b.begin);
            const auto last = points.begin() + static_cast<std::ptrdiff_t>(b.end);
            std::sort(first, last, [&](const Point& x, const Point& y) {
                return x.c[size_t(pickChannel)] < y.c[size_t(pickChannel)];
            });
            uint64_t total = 0;
            for (size_t i = b.begin; i < b.end; ++i)
                total += points[i].count;
            uint64_t half = 0;
            size_t cut = b.begin;
            while (cut < b.end - 1 && half + points[cut].count <= total / 2)
                half += points[cut++].count;
            if (cut == b.begin)
                cut = b.begin + 1;
            const Box upper{cut, b.end};
            b.end = cut;
            boxes.push_back(upper);
        }
        for (const Box& b : boxes) {
            uint64_t n = 0, r = 0, g = 0, bl = 0;
            for (size_t i = b.begin; i < b.end; ++i) {
                n += points[i].count;
                r += points[i].r;
                g += points[i].g;
                bl += points[i].b;
            }
            p.colours.push_back(qRgb(static_cast<int>((r + n / 2) / n),
                                     static_cast<int>((g + n / 2) / n),
                                     static_cast<int>((bl + n / 2) / n)));
        }
    }
    if (p.colours.empty())
        p.colours.push_back(qRgb(255, 255, 255));
    if (transparent_) {
        p.transparent = static_cast<int>(p.colours.size());
        p.colours.push_back(qRgba(0, 0, 0, 0));
    }
    return p;
}

ColourMapper::ColourMapper(const Palette& palette, bool gray)
    : palette_(palette), gray_(gray), cellIndex_(cellCount, -1) {
    const int opaque = static_cast<int>(palette_.colours.size()) - (palette_.transparent >= 0);
    if (gray_) {
        grayIndex_.resize(256);
        for (int v = 0; v < 256; ++v) {
            int best = 0;
            for (int i = 1; i < opaque; ++i)
                if (std::abs(qRed(palette_.colours[static_cast<size_t>(i)]) - v) <
                    std::abs(qRed(palette_.colours[static_cast<size_t>(best)]) - v))
                    best = i;
            grayIndex_[static_cast<size_t>(v)] = static_cast<uint8_t>(best);
        }
    }
    for (int i = 0; i < opaque; ++i)
        exact_.emplace(palette_.colours[static_cast<size_t>(i)], static_cast<uint8_t>(i));
}

uint8_t ColourMapper::nearest(QRgb colour) const {
    const int opaque = static_cast<int>(palette_.colours.size()) - (palette_.transparent >= 0);
    int best = 0;
    int bestDistance = distance(colour, palette_.colours[0]);
    for (int i = 1; i < opaque && bestDistance > 0; ++i) {
        const int d = distance(colour, palette_.colours[static_cast<size_t>(i)]);
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return static_cast<uint8_t>(best);
}

uint8_t ColourMapper::index(QRgb opaque) {
    if (gray_)
        return grayIndex_[static_cast<size_t>(qGray(opaque))];
    if (auto it = exact_.find(opaque); it != exact_.end())
        return it->second;
    // Each colour's nearest entry is searched once; past a bound on the
    // colours remembered, a colour takes its cell's entry.
    if (exact_.size() < maxRemembered) {
        const uint8_t i = nearest(opaque);
        exact_.emplace(opaque, i);
        return i;
    }
    int16_t& cached = cellIndex_[static_cast<size_t>(cellOf(opaque))];
    if (cached < 0) {
        // The cell's centre stands for every colour in it.
        const QRgb centre =
            qRgb((qRed(opaque) & ~7) | 4, (qGreen(opaque) & ~7) | 4, (qBlue(opaque) & ~7) | 4);
        cached = nearest(centre);
    }
    return static_cast<uint8_t>(cached);
}

void ColourMapper::mapRow(const uint32_t* src, int width, uint8_t* indexes) {
    uint32_t last = 0;
    uint8_t lastIndex = 0;
    bool haveLast = false;
    for (int x = 0; x < width; ++x) {
        const uint32_t p = src[x];
        if (haveLast && p == last) {
            indexes[x] = lastIndex;
            continue;
        }
        if (palette_.transparent >= 0 && countsAsTransparent(p))
            lastIndex = static_cast<uint8_t>(palette_.transparent);
        else
            lastIndex = index(opaqueOf(p));
        last = p;
        haveLast = true;
        indexes[x] = lastIndex;
    }
}

} // namespace mosvik::host::bitmap::detail
