#include "services/ContrastNormalizer.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <numeric>
#include <vector>

namespace {

// Neighbouring pixels whose channels differ by at most this belong to one
// flat region. Screen grounds are flat to the bit; JPEG noise stays within a
// few levels, while a glyph's edge climbs in steps of 50 and more.
constexpr int flatTolerance = 14;
// A ground is at least this large and covers this much of its bounding box
// (a button, badge or dialog is a filled shape with its label cut out).
constexpr qsizetype smallestGroundArea = 80;
constexpr int smallestGroundSide = 8;
constexpr double groundCoverage = 0.6;
// A filled shape around one mark only (a ticked checkbox, a one-digit
// badge) must be fuller than any glyph: DejaVu's boldest letters with
// counters, such as "B" and "a", cover at most 0.73 of their box.
constexpr double singleMarkGroundCoverage = 0.76;
// A glyph's strokes cover at most this much of its box; a counter more.
constexpr double glyphCoverage = 0.55;
// A region touching the crop's edge and this large is the page itself.
constexpr double pageShare = 0.1;
// Below this share of the crop in grounds the picture is not a screen crop.
constexpr double smallestGroundShare = 0.5;
// The work takes about ten bytes a pixel: larger pictures (more than a 4K
// screen) are read as they are.
constexpr double largestPixelCount = 8'500'000;
// Pixels this close to two grounds are the edge between them (a button's
// anti-aliased outline, a frame, a separator), not ink: Tesseract reads such
// edges as "|" and "[".
constexpr int edgeReach = 2;
// A glyph's core lies this close to each of its pixels.
constexpr int peakReach = 3;
// Text whose core differs from its ground by this share of the ground's
// darkest text is faint (grey small print beside black text) and darkened to
// black. Darker text is left as it is (darkening coloured text made bold
// small print blur), and fainter marks are JPEG noise around edges.
constexpr double faintTextShare[2] = {0.4, 0.6};

struct Region {
    qsizetype area = 0;
    int left = std::numeric_limits<int>::max();
    int top = std::numeric_limits<int>::max();
    int right = -1;
    int bottom = -1;
    std::array<qint64, 3> channelSums{};
    bool touchesEdge = false;

    int width() const { return right - left + 1; }
    int height() const { return bottom - top + 1; }
    double coverage() const { return double(area) / (double(width()) * height()); }
    bool encloses(const Region &other) const
    {
        return other.left > left && other.right < right && other.top > top && other.bottom < bottom;
    }
    std::array<int, 3> colour() const
    {
        return {int(channelSums[0] / area), int(channelSums[1] / area), int(channelSums[2] / area)};
    }
};

class DisjointSets {
public:
    explicit DisjointSets(qsizetype size) : parent_(size) { std::iota(parent_.begin(), parent_.end(), 0); }

    int find(int element)
    {
        while (parent_[element] != element) {
            parent_[element] = parent_[parent_[element]];
            element = parent_[element];
        }
        return element;
    }

    void unite(int first, int second)
    {
        first = find(first);
        second = find(second);
        if (first != second)
            parent_[std::max(first, second)] = std::min(first, second);
    }

    // Numbers the sets densely, in the order of their first element, and
    // gives every element its set's number, in the same storage: a parent
    // always comes before its children, so it is numbered by the time they are.
    std::vector<int> numbered() &&
    {
        int count = 0;
        for (size_t element = 0; element < parent_.size(); ++element)
            parent_[element] = parent_[element] == int(element) ? count++ : parent_[parent_[element]];
        return std::move(parent_);
    }

private:
    std::vector<int> parent_;
};

template <typename Colour>
int channelDistance(const uchar *pixel, const Colour &colour)
{
    const int red = std::abs(pixel[0] - colour[0]), green = std::abs(pixel[1] - colour[1]),
              blue = std::abs(pixel[2] - colour[2]);
    return std::max(red, std::max(green, blue));
}

class Normalization {
public:
    explicit Normalization(const QImage &page) : page_(page), width_(page.width()), height_(page.height()) {}

    std::optional<QImage> run()
    {
        labelFlatRegions();
        findGrounds();
        if (groundCount_ < 2 || groundArea_ < smallestGroundShare * double(width_) * height_)
            return std::nullopt;
        colours_.resize(regions_.size());
        for (size_t i = 0; i < regions_.size(); ++i)
            colours_[i] = regions_[i].colour();
        assignNearestGround();
        findEdgesBetweenGrounds();
        return paint();
    }

private:
    void labelFlatRegions()
    {
        DisjointSets sets(qsizetype(width_) * height_);
        for (int y = 0; y < height_; ++y) {
            const uchar *row = page_.constScanLine(y);
            const uchar *below = y + 1 < height_ ? page_.constScanLine(y + 1) : nullptr;
            for (int x = 0; x < width_; ++x) {
                const int index = y * width_ + x;
                if (x + 1 < width_ && channelDistance(row + 3 * x, row + 3 * x + 3) <= flatTolerance)
                    sets.unite(index, index + 1);
                if (below && channelDistance(row + 3 * x, below + 3 * x) <= flatTolerance)
                    sets.unite(index, index + width_);
            }
        }
        region_ = std::move(sets).numbered();
        for (int y = 0; y < height_; ++y) {
            const uchar *row = page_.constScanLine(y);
            for (int x = 0; x < width_; ++x) {
                const int number = region_[y * width_ + x];
                if (number == int(regions_.size()))
                    regions_.emplace_back();
                Region &region = regions_[number];
                ++region.area;
                region.left = std::min(region.left, x);
                region.right = std::max(region.right, x);
                region.top = std::min(region.top, y);
                region.bottom = std::max(region.bottom, y);
                for (int channel = 0; channel < 3; ++channel)
                    region.channelSums[channel] += row[3 * x + channel];
                region.touchesEdge = region.touchesEdge || x == 0 || y == 0 || x == width_ - 1 || y == height_ - 1;
            }
        }
    }

    bool couldBeGround(const Region &region) const
    {
        return region.area >= smallestGroundArea && region.width() >= smallestGroundSide &&
               region.height() >= smallestGroundSide;
    }

    // A ground holds a label: marks inside its box, for a word at least two
    // side by side (the counters of a "B" or an "8" lie above each other).
    bool holdsLabel(const Region &candidate, const std::vector<int> &marks) const
    {
        std::vector<const Region *> inside;
        for (int mark : marks) {
            if (&regions_[mark] != &candidate && candidate.encloses(regions_[mark]))
                inside.push_back(&regions_[mark]);
        }
        if (inside.empty())
            return false;
        if (candidate.coverage() >= singleMarkGroundCoverage)
            return true;
        // One glyph of its own (a badge's digit): its strokes leave most of
        // its box empty, unlike the counters of an "o" or a "B", which are
        // solid blobs.
        for (const Region *mark : inside) {
            if (mark->coverage() <= glyphCoverage && mark->height() * 10 >= candidate.height() * 3)
                return true;
        }
        std::sort(inside.begin(), inside.end(), [](const Region *a, const Region *b) { return a->left < b->left; });
        for (size_t i = 0; i < inside.size(); ++i) {
            for (size_t j = i + 1; j < inside.size(); ++j) {
                const Region &first = *inside[i], &second = *inside[j];
                const bool besideEachOther = second.left > first.right;
                const bool onOneLine = second.top <= first.bottom && first.top <= second.bottom;
                if (besideEachOther && onOneLine)
                    return true;
            }
        }
        return false;
    }

    // How much of its box a region covers once the grounds set into it count
    // as covered: a dialog's buttons and fields cut holes into its own ground.
    double coverageWithInsetGrounds(const Region &region) const
    {
        qsizetype covered = region.area;
        for (size_t i = 0; i < regions_.size(); ++i) {
            if (isGround_[i] && &regions_[i] != &region && region.encloses(regions_[i]))
                covered += regions_[i].area;
        }
        return std::min(1.0, double(covered) / (double(region.width()) * region.height()));
    }

    void findGrounds()
    {
        const double pageArea = double(width_) * height_;
        // Marks: regions big enough to be part of a glyph, not single
        // anti-aliasing pixels.
        std::vector<int> marks;
        std::vector<int> candidates;
        for (int i = 0; i < int(regions_.size()); ++i) {
            if (regions_[i].area >= 3 && regions_[i].height() >= 3)
                marks.push_back(i);
            if (couldBeGround(regions_[i]))
                candidates.push_back(i);
        }
        isGround_.assign(regions_.size(), 0);
        // Grounds nest (a field in a dialog, a selection in the field): each
        // round finds the grounds whose insets the last round found.
        for (bool found = true; found;) {
            found = false;
            for (int i : candidates) {
                const Region &region = regions_[i];
                if (isGround_[i])
                    continue;
                const bool page = region.touchesEdge && double(region.area) >= pageShare * pageArea;
                if (page || (coverageWithInsetGrounds(region) >= groundCoverage && holdsLabel(region, marks))) {
                    isGround_[i] = 1;
                    ++groundCount_;
                    groundArea_ += region.area;
                    found = true;
                }
            }
        }
    }

    // Every pixel learns the ground nearest to it (a chamfer distance in two
    // raster passes): the ground its glyph is drawn on.
    void assignNearestGround()
    {
        constexpr int straight = 3, diagonal = 4;
        // Two bytes a pixel: distances beyond that saturate, which only
        // blurs which far ground is nearest.
        constexpr int far = std::numeric_limits<std::uint16_t>::max();
        const qsizetype count = qsizetype(width_) * height_;
        nearest_.assign(count, -1);
        std::vector<std::uint16_t> distance(count, far);
        for (qsizetype i = 0; i < count; ++i) {
            if (isGround_[region_[i]]) {
                nearest_[i] = region_[i];
                distance[i] = 0;
            }
        }
        const auto relax = [&](int index, int x, int y, int dx, int dy, int cost) {
            const int nx = x + dx, ny = y + dy;
            if (nx < 0 || ny < 0 || nx >= width_ || ny >= height_)
                return;
            const int neighbour = ny * width_ + nx;
            const int through = std::min(far - 1, distance[neighbour] + cost);
            if (nearest_[neighbour] >= 0 && through < distance[index]) {
                distance[index] = std::uint16_t(through);
                nearest_[index] = nearest_[neighbour];
            }
        };
        // A ground pixel is at distance 0 already: only the others are relaxed.
        for (int y = 0; y < height_; ++y) {
            for (int x = 0; x < width_; ++x) {
                const int index = y * width_ + x;
                if (distance[index] == 0)
                    continue;
                relax(index, x, y, -1, 0, straight);
                relax(index, x, y, -1, -1, diagonal);
                relax(index, x, y, 0, -1, straight);
                relax(index, x, y, 1, -1, diagonal);
            }
        }
        for (int y = height_ - 1; y >= 0; --y) {
            for (int x = width_ - 1; x >= 0; --x) {
                const int index = y * width_ + x;
                if (distance[index] == 0)
                    continue;
                relax(index, x, y, 1, 0, straight);
                relax(index, x, y, 1, 1, diagonal);
                relax(index, x, y, 0, 1, straight);
                relax(index, x, y, -1, 1, diagonal);
            }
        }
    }

    void findEdgesBetweenGrounds()
    {
        isEdge_.assign(qsizetype(width_) * height_, 0);
        for (int y = 0; y < height_; ++y) {
            for (int x = 0; x < width_; ++x) {
                const int index = y * width_ + x;
                isEdge_[index] = char(!isGround_[region_[index]] && isEdgeBetweenGrounds(x, y));
            }
        }
    }

    bool isEdgeBetweenGrounds(int x, int y) const
    {
        const int index = y * width_ + x;
        const int own = nearest_[index];
        for (int dy = -edgeReach; dy <= edgeReach; ++dy) {
            for (int dx = -edgeReach; dx <= edgeReach; ++dx) {
                const int nx = x + dx, ny = y + dy;
                if (nx < 0 || ny < 0 || nx >= width_ || ny >= height_)
                    continue;
                const int other = region_[ny * width_ + nx];
                if (other != own && isGround_[other])
                    return true;
            }
        }
        return false;
    }

    bool isInk(int index) const { return !isGround_[region_[index]] && !isEdge_[index]; }

    // Each ground's text contrast: what its glyphs' cores differ from it by,
    // so that faint grey text on one ground and black text on another both
    // come out black. Indexed by region; only grounds' entries mean anything.
    std::vector<int> textContrasts() const
    {
        constexpr int noise = 32;
        std::vector<int> groundNumber(regions_.size(), -1);
        int grounds = 0;
        for (size_t i = 0; i < regions_.size(); ++i) {
            if (isGround_[i])
                groundNumber[i] = grounds++;
        }
        std::vector<std::array<int, 256>> histograms(grounds);
        for (int y = 0; y < height_; ++y) {
            const uchar *row = page_.constScanLine(y);
            for (int x = 0; x < width_; ++x) {
                const int index = y * width_ + x;
                if (!isInk(index))
                    continue;
                const int distance = channelDistance(row + 3 * x, colours_[nearest_[index]]);
                if (distance >= noise)
                    ++histograms[groundNumber[nearest_[index]]][distance];
            }
        }
        std::vector<int> contrasts(regions_.size(), 255);
        for (size_t region = 0; region < regions_.size(); ++region) {
            if (groundNumber[region] < 0)
                continue;
            const std::array<int, 256> &histogram = histograms[groundNumber[region]];
            const int total = std::accumulate(histogram.begin(), histogram.end(), 0);
            if (total == 0)
                continue;
            // The upper quarter of the ink is its core, the rest anti-aliasing.
            int seen = 0, level = 255;
            while (level > noise && (seen += histogram[level]) < total / 4)
                --level;
            contrasts[region] = std::max(2 * noise, level);
        }
        return contrasts;
    }

    // Each ink pixel's distance from its ground, the largest within a few
    // pixels around it: a glyph's edge learns its own core's contrast.
    std::vector<std::uint8_t> nearbyInkPeaks() const
    {
        std::vector<std::uint8_t> distance(qsizetype(width_) * height_, 0);
        for (int y = 0; y < height_; ++y) {
            const uchar *row = page_.constScanLine(y);
            for (int x = 0; x < width_; ++x) {
                const int index = y * width_ + x;
                if (isInk(index))
                    distance[index] = std::uint8_t(channelDistance(row + 3 * x, colours_[nearest_[index]]));
            }
        }
        std::vector<std::uint8_t> across(distance.size(), 0), peaks(distance.size(), 0);
        for (int y = 0; y < height_; ++y) {
            for (int x = 0; x < width_; ++x) {
                std::uint8_t peak = 0;
                for (int dx = std::max(0, x - peakReach); dx <= std::min(width_ - 1, x + peakReach); ++dx)
                    peak = std::max(peak, distance[y * width_ + dx]);
                across[y * width_ + x] = peak;
            }
        }
        for (int y = 0; y < height_; ++y) {
            for (int x = 0; x < width_; ++x) {
                std::uint8_t peak = 0;
                for (int dy = std::max(0, y - peakReach); dy <= std::min(height_ - 1, y + peakReach); ++dy)
                    peak = std::max(peak, across[dy * width_ + x]);
                peaks[y * width_ + x] = peak;
            }
        }
        return peaks;
    }

    QImage paint()
    {
        const std::vector<int> contrasts = textContrasts();
        const std::vector<std::uint8_t> peaks = nearbyInkPeaks();
        QImage grey(width_, height_, QImage::Format_Grayscale8);
        for (int y = 0; y < height_; ++y) {
            uchar *out = grey.scanLine(y);
            const uchar *row = page_.constScanLine(y);
            for (int x = 0; x < width_; ++x) {
                const int index = y * width_ + x;
                if (!isInk(index)) {
                    out[x] = 255;
                    continue;
                }
                const int ground = nearest_[index];
                // Differences below a fifth of the ground's text contrast are
                // noise or a faint outline; from there ink darkens to black at
                // its own core's contrast, so that faint text (a grey time
                // stamp beside black text) comes out as black as the rest.
                const int floor = contrasts[ground] / 5;
                const int peak = peaks[index];
                const bool faint =
                    peak >= faintTextShare[0] * contrasts[ground] && peak <= faintTextShare[1] * contrasts[ground];
                const int contrast = faint ? std::max(peak, floor + 1) : contrasts[ground];
                const int distance = channelDistance(row + 3 * x, colours_[ground]);
                const int ink = std::clamp((distance - floor) * 255 / (contrast - floor), 0, 255);
                out[x] = uchar(255 - ink);
            }
        }
        return grey;
    }

    const QImage &page_;
    const int width_;
    const int height_;
    std::vector<int> region_; // per pixel
    std::vector<Region> regions_;
    std::vector<char> isGround_; // per region
    int groundCount_ = 0;
    qsizetype groundArea_ = 0;
    std::vector<int> nearest_; // per pixel: its ground
    std::vector<char> isEdge_; // per pixel
    std::vector<std::array<int, 3>> colours_;
};

} // namespace

std::optional<QImage> ContrastNormalizer::normalized(const QImage &page)
{
    if (page.isNull() || page.format() != QImage::Format_RGB888 ||
        double(page.width()) * page.height() > largestPixelCount)
        return std::nullopt;
    return Normalization(page).run();
}
