#include "tools/demodata/Generator.h"

#include <iconv.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <mutex>
#include <span>
#include <thread>

#include "game/bosses/AttackNames.h"
#include "game/story/TalkText.h"
#include "platform/d3dx9/image_encode.h"
#include "tools/demodata/Art.h"
#include "tools/demodata/Canvas.h"
#include "tools/demodata/Inventory.h"
#include "tools/demodata/Layout.h"
#include "tools/demodata/StepFont.h"
#include "tools/demodata/Synth.h"
#include "tools/demodata/TextPainter.h"

namespace fs = std::filesystem;

namespace demodata {

namespace {

bool WriteFile(const fs::path& path, const std::vector<uint8_t>& bytes, std::string* error) {
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    out.close();
    if (!out) {
        *error = "cannot write " + path.string();
        return false;
    }
    return true;
}

struct Thumb {
    std::string name;
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
};

Thumb MakeThumb(const Canvas& c, const std::string& name, int box) {
    Thumb t;
    t.name = name;
    const float scale = std::min(1.0f, float(box) / float(std::max(c.width(), c.height())));
    t.width = std::max(1, int(float(c.width()) * scale));
    t.height = std::max(1, int(float(c.height()) * scale));
    t.pixels.resize(size_t(t.width) * size_t(t.height));
    for (int y = 0; y < t.height; ++y)
        for (int x = 0; x < t.width; ++x) {
            // box filter over the source pixels this one covers
            const int x0 = int(float(x) / scale), x1 = std::max(x0 + 1, int(float(x + 1) / scale));
            const int y0 = int(float(y) / scale), y1 = std::max(y0 + 1, int(float(y + 1) / scale));
            uint64_t a = 0, r = 0, g = 0, b = 0, n = 0;
            for (int sy = y0; sy < y1; sy += std::max(1, (y1 - y0) / 4))
                for (int sx = x0; sx < x1; sx += std::max(1, (x1 - x0) / 4)) {
                    const uint32_t p = c.Get(sx, sy);
                    const uint32_t pa = p >> 24;
                    a += pa;
                    r += ((p >> 16) & 255) * pa;
                    g += ((p >> 8) & 255) * pa;
                    b += (p & 255) * pa;
                    ++n;
                }
            const uint32_t A = uint32_t(a / n);
            t.pixels[size_t(y) * size_t(t.width) + size_t(x)] =
                a ? (A << 24) | (uint32_t(r / a) << 16) | (uint32_t(g / a) << 8) | uint32_t(b / a) : 0;
        }
    return t;
}

bool WriteContactSheet(const std::string& path, std::vector<Thumb>& thumbs, TextPainter& text, std::string* error) {
    constexpr int kBox = 240, kCols = 10, kLabel = 18, kPad = 8;
    const int rows = int((thumbs.size() + kCols - 1) / kCols);
    Canvas sheet(kCols * (kBox + kPad) + kPad, rows * (kBox + kLabel + kPad) + kPad);
    sheet.Fill({0, 0, sheet.width(), sheet.height()}, Rgb(0x303038));
    for (size_t i = 0; i < thumbs.size(); ++i) {
        const Thumb& t = thumbs[i];
        const int cx = kPad + int(i % kCols) * (kBox + kPad), cy = kPad + int(i / kCols) * (kBox + kLabel + kPad);
        // a checkerboard shows what is transparent
        for (int y = 0; y < t.height; ++y)
            for (int x = 0; x < t.width; ++x) sheet.Set(cx + x, cy + y, ((x / 8 + y / 8) % 2) ? 0xFF606068 : 0xFF48484E);
        for (int y = 0; y < t.height; ++y)
            for (int x = 0; x < t.width; ++x) {
                const uint32_t p = t.pixels[size_t(y) * size_t(t.width) + size_t(x)];
                sheet.Blend(cx + x, cy + y, Rgb(p & 0xFFFFFF, float(p >> 24) / 255.0f));
            }
        std::string label = t.name;
        if (label.rfind("img/", 0) == 0) label = label.substr(4);
        TextStyle st;
        st.size = 12;
        text.DrawLeft(sheet, label, {cx, cy + kBox + 1, kBox, kLabel - 2}, st);
    }
    d3dx9img::Image image;
    image.width = uint32_t(sheet.width());
    image.height = uint32_t(sheet.height());
    image.pixels = sheet.pixels();
    std::vector<uint8_t> png;
    if (!d3dx9img::EncodePng(image, false, &png)) {
        *error = "the contact sheet could not be encoded";
        return false;
    }
    return WriteFile(path, png, error);
}

// Wall-clock seconds (<chrono> does not build with the Shift-JIS execution charset).
double Now() {
    std::timespec ts{};
    std::timespec_get(&ts, TIME_UTC);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// CP932 text appended to `utf8` in UTF-8, its line breaks left out; false (and
// nothing appended) where it is not CP932.
bool AppendUtf8(iconv_t cd, std::string in, std::string* utf8) {
    std::string out(in.size() * 2 + 8, '\0');
    char* ip = in.data();
    char* op = out.data();
    size_t il = in.size(), ol = out.size();
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &ip, &il, &op, &ol) == size_t(-1)) return false;
    out.resize(out.size() - ol);
    for (char c : out)
        if (c != '\n') *utf8 += c;
    return true;
}

// The game's literals are CP932 where the compiler makes its narrow strings so.
constexpr bool kCp932Literals = sizeof("：") == 3;

}  // namespace

// The target of a relative data path, refused unless it stays inside the output folder.
bool ResolveTarget(const std::string& rootText, const std::string& relative, std::string* out, std::string* error) {
    const fs::path root(rootText);
    const fs::path rel(relative);
    if (rel.is_absolute() || relative.find("..") != std::string::npos) {
        *error = "refusing to write outside the output folder: " + relative;
        return false;
    }
    std::error_code ec;
    const fs::path full = fs::weakly_canonical(root / rel, ec);
    const std::string base = fs::weakly_canonical(root, ec).string() + "/";
    if (ec || full.string().compare(0, base.size(), base) != 0) {
        *error = "refusing to write outside the output folder: " + full.string();
        return false;
    }
    *out = full.string();
    return true;
}

std::string TalkFontExtraCharacters() {
    iconv_t cd = iconv_open("UTF-8", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) return {};
    std::string utf8;
    // A text the build let through is CP932; the font tool refuses anything else.
    for (const TalkText* t : TalkTextCatalogue()) AppendUtf8(cd, t->text, &utf8);
    iconv_close(cd);
    return utf8;
}

std::vector<std::string> AttackNames() {
    std::vector<std::string> names;
    iconv_t cd = kCp932Literals ? iconv_open("UTF-8", "CP932") : reinterpret_cast<iconv_t>(-1);
    for (std::span<const char* const> boss : attacknames::kAllBosses)
        for (const char* name : boss) {
            std::string utf8;
            if (!kCp932Literals) utf8 = name;
            else if (cd != reinterpret_cast<iconv_t>(-1)) AppendUtf8(cd, name, &utf8);
            names.push_back(utf8);
        }
    if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
    return names;
}

std::string SkillFontExtraCharacters() {
    std::string s;
    for (const std::string& n : AttackNames()) s += n;
    return s;
}

namespace {

// One font of the set by kestra-font: `options` its size, sheet and lists,
// `extra` the characters it adds (UTF-8), handed over in a file.
bool WriteFont(const GenerateOptions& o, const std::string& name, const std::string& stem, const std::string& options,
               const std::string& extra, std::string* err) {
    std::string target;
    if (!ResolveTarget(o.output, name, &target, err)) return false;
    const fs::path list =
        fs::temp_directory_path() / ("quenrith-demodata-" + stem + "-" + std::to_string(::getpid()) + ".txt");
    {
        std::ofstream f(list, std::ios::binary);
        f << extra;
    }
    const std::string cmd =
        Quote(o.fontTool) + " " + options + " --extra " + Quote(list.string()) + " " + Quote(target) + " > /dev/null";
    const int rc = std::system(cmd.c_str());
    fs::remove(list);
    if (rc != 0) {
        *err = "kestra-font failed for " + name + " (is fonts-ipafont-gothic installed?)";
        return false;
    }
    return true;
}

}  // namespace

bool Generate(const GenerateOptions& o, GenerateReport* report, std::string* error) {
    const double start = Now();
    const fs::path root(o.output);
    std::error_code ec;
    fs::create_directories(root, ec);
    if (ec || !fs::is_directory(root)) {
        *error = "cannot create the output folder " + o.output;
        return false;
    }
    TextPainter text;
    if ((o.images || o.fonts || !o.contactSheet.empty()) && !text.Open(error)) return false;
    if (o.fonts) {
        std::error_code fec;
        if (o.fontTool.empty() || !fs::exists(o.fontTool, fec)) {
            *error = "the font tool kestra-font was not found (build it, or pass --font-tool PATH)";
            return false;
        }
    }

    // A mistyped folder would otherwise give backgrounds without walls, silently.
    if (o.images && !o.stageData.empty())
        for (int stage = 1; stage <= 5; ++stage) {
            const fs::path grid = fs::path(o.stageData) / ("Stage0" + std::to_string(stage) + ".dat");
            std::error_code gec;
            if (!fs::is_regular_file(grid, gec)) {
                *error = "no map grid " + grid.string() + " (--stagedata names the folder of Stage01.dat to Stage05.dat)";
                return false;
            }
        }

    std::vector<std::function<bool(std::string*)>> tasks;
    std::mutex mutex;
    std::vector<Thumb> thumbs;
    std::atomic<uint64_t> bytes{0};
    std::atomic<unsigned> files{0};
    auto store = [&](const std::string& relative, const std::vector<uint8_t>& data, std::string* err) {
        std::string full;
        if (!ResolveTarget(o.output, relative, &full, err) || !WriteFile(full, data, err)) return false;
        bytes += data.size();
        ++files;
        return true;
    };

    // Fonts first: they take longest.
    if (o.fonts) {
        // The text font draws only the talks: the kana, the marks and the
        // alphabets, and every kanji a talk uses. One sheet, not four, held by
        // every scene.
        tasks.push_back([&](std::string* err) {
            const std::string size = "--size " + std::to_string(screen::kTextFontSize);
            return WriteFont(o, "font.lfd", "talk", size + " --sheet-size 1024 --lists ascii,kana,nonkanji",
                             TalkFontExtraCharacters(), err);
        });
        // Attack names are drawn over the stage's sky and pictures: outlined, they read on light ground too.
        // The ranking lays names and dates in its full-width forms, scores in its
        // digits: they fill their steps.
        tasks.push_back([&](std::string* err) {
            const std::string size = "--size " + std::to_string(screen::kSkillFontSize);
            TextStyle style;
            style.size = screen::kSkillFontSize, style.bold = true;
            style.outline = Rgb(0x000000), style.outlineWidth = 1;
            std::string target;
            return WriteFont(o, "skillfont.lfd", "skill", size + " --sheet-size 512 --lists ascii,nonkanji --bold --outline",
                             SkillFontExtraCharacters(), err) &&
                   ResolveTarget(o.output, "skillfont.lfd", &target, err) && FillStepForms(target, style, text, err);
        });
    }
    if (o.music)
        for (const MusicAsset& m : MusicTracks())
            tasks.push_back([&, m](std::string* err) {
                const std::vector<float> samples = SynthesizeMusic(m.path);
                std::vector<uint8_t> ogg;
                if (samples.empty()) {
                    *err = "no music for " + m.path;
                    return false;
                }
                return EncodeOggVorbis(samples, kMusicRate, &ogg, err) && store(m.path, ogg, err);
            });
    if (o.images)
        for (const ImageAsset& a : Images())
            tasks.push_back([&, a](std::string* err) {
                Canvas canvas(a.width, a.height);
                PaintImage(canvas, a, text);
                if (a.art == Art::Background && a.variant <= 5 && !o.stageData.empty()) {
                    const fs::path grid = fs::path(o.stageData) / ("Stage0" + std::to_string(a.variant) + ".dat");
                    std::ifstream in(grid, std::ios::binary);
                    if (!in) {
                        *err = "cannot read " + grid.string();
                        return false;
                    }
                    const std::string textGrid((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
                    PaintWalls(canvas, a.variant, ParseStageGrid(textGrid));
                }
                d3dx9img::Image image;
                image.width = uint32_t(a.width);
                image.height = uint32_t(a.height);
                image.pixels = std::move(canvas.pixels());
                std::vector<uint8_t> png;
                if (!d3dx9img::EncodePng(image, true, &png)) {
                    *err = "cannot encode " + a.path;
                    return false;
                }
                if (!o.contactSheet.empty()) {
                    Canvas back(a.width, a.height);
                    back.pixels() = std::move(image.pixels);
                    Thumb t = MakeThumb(back, a.path, 240);
                    std::lock_guard<std::mutex> guard(mutex);
                    thumbs.push_back(std::move(t));
                }
                return store(a.path, png, err);
            });
    if (o.sounds)
        for (const SoundAsset& s : SoundEffects())
            tasks.push_back([&, s](std::string* err) {
                const std::string name = s.path.substr(3, s.path.size() - 7);
                const std::vector<int16_t> samples = SynthesizeEffect(name);
                if (samples.empty()) {
                    *err = "no sound for " + s.path;
                    return false;
                }
                return store(s.path, EncodeWave(samples, kEffectRate), err);
            });

    std::atomic<size_t> next{0};
    std::atomic<bool> failed{false};
    std::string firstError;
    auto worker = [&] {
        for (size_t i; !failed && (i = next++) < tasks.size();) {
            std::string err;
            if (!tasks[i](&err)) {
                std::lock_guard<std::mutex> guard(mutex);
                if (!failed.exchange(true)) firstError = err;
            }
        }
    };
    std::vector<std::thread> pool;
    for (unsigned j = 1; j < std::max(1u, o.jobs); ++j) pool.emplace_back(worker);
    worker();
    for (std::thread& t : pool) t.join();
    if (failed) {
        *error = firstError;
        return false;
    }
    if (o.fonts) {
        // the fonts and the sheets they name
        for (const auto& entry : fs::directory_iterator(root)) {
            const std::string ext = entry.path().extension().string();
            if (ext == ".lfd" || ext == ".tga") {
                bytes += entry.file_size();
                ++files;
            }
        }
    }
    if (!o.contactSheet.empty()) {
        std::sort(thumbs.begin(), thumbs.end(), [](const Thumb& x, const Thumb& y) {
            size_t ix = 0, iy = 0;
            for (size_t k = 0; k < Images().size(); ++k) {
                if (Images()[k].path == x.name) ix = k;
                if (Images()[k].path == y.name) iy = k;
            }
            return ix < iy;
        });
        if (!WriteContactSheet(o.contactSheet, thumbs, text, error)) return false;
    }
    report->files = files;
    report->bytes = bytes;
    report->seconds = Now() - start;
    return true;
}

}  // namespace demodata
