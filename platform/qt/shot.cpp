// columnator-shot: draws the first settled frame of a file, or of the demo text, with
// the window's own surface code, offscreen, and writes it as a PNG.
#include "QtHost.h"
#include "QtSurface.h"
#include "qtstrings.h"
#include "window/WindowDesign.h"
#include "window/frmEditor.h"

#include <QFile>
#include <QGuiApplication>
#include <QString>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <optional>
#include <string>

namespace {

constexpr int usageError = 2, failure = 1;
// A glide settles in well under a hundred ticks; this only bounds a logic fault.
constexpr int mostTicks = 5000;

struct ShotOptions {
    int32_t width = windowDesign::startWidth, height = windowDesign::startHeight;
    std::optional<QString> fontName;
    std::optional<double> fontSize;
    bool reportTimes = false;
    std::optional<QString> file;
    QString output;
};

// Without anyone to answer, dialogs take their safe answer and failures go to stderr.
class ShotHost : public SurfaceHost {
public:
    using SurfaceHost::SurfaceHost;
    bool failed = false;

    void setCaption(const std::u16string&) override {}
    std::u16string inputBox(const std::u16string&, const std::u16string&,
                            const std::u16string&) override {
        return {};
    }
    bool askYesNo(const std::u16string&, const std::u16string&, EnterAnswers) override {
        return false;
    }
    bool askOkCancel(const std::u16string&, const std::u16string&) override { return false; }
    SaveChoice askSaveChanges(const std::u16string&, const std::u16string&) override {
        return SaveChoice::Cancel;
    }
    std::u16string askSavePath(const std::u16string&) override { return {}; }
    std::u16string askOpenPath(const std::u16string&) override { return {}; }
    std::u16string recoveryFolder() override { return {}; } // a picture leaves nothing behind
    void tell(const std::u16string&, const std::u16string&) override {}
    void showReplaceDialog(const std::u16string&) override {}
    void setReplaceDialogMessage(const std::u16string&) override {}
    std::optional<size_t> chooseFromList(const std::u16string&, const std::vector<ListItem>&,
                                         const ListFilter&) override {
        return std::nullopt;
    }
    void reportError(const std::u16string& message, const std::u16string& title) override {
        std::fprintf(stderr, "columnator-shot: %s: %s\n", qPrintable(toQString(title)),
                     qPrintable(toQString(message)));
        failed = true;
    }
};

[[noreturn]] void usage(const char* problem) {
    std::fprintf(stderr,
                 "columnator-shot: %s\nusage: columnator-shot [--size WxH] [--font NAME] "
                 "[--font-size PT] [--time] [FILE] OUT.png\n",
                 problem);
    std::exit(usageError);
}

bool parseSize(const QString& text, ShotOptions& options) {
    const QStringList sides = text.split(u'x');
    bool wideOk = false, highOk = false;
    if (sides.size() != 2)
        return false;
    options.width = sides[0].toInt(&wideOk);
    options.height = sides[1].toInt(&highOk);
    return wideOk && highOk && options.width > 0 && options.height > 0 && options.width <= 16384 &&
           options.height <= 16384;
}

ShotOptions parseArguments(int argc, char** argv) {
    ShotOptions options;
    QStringList positional;
    for (int i = 1; i < argc; ++i) {
        const QString argument = QFile::decodeName(argv[i]);
        const auto value = [&]() -> QString {
            if (++i >= argc)
                usage("an option lacks its value");
            return QFile::decodeName(argv[i]);
        };
        if (argument == u"--size") {
            if (!parseSize(value(), options))
                usage("--size takes WIDTHxHEIGHT in pixels, from 1 to 16384");
        } else if (argument == u"--font") {
            options.fontName = value();
        } else if (argument == u"--font-size") {
            bool ok = false;
            options.fontSize = value().toDouble(&ok);
            if (!ok)
                usage("--font-size takes a number of points");
        } else if (argument == u"--time") {
            options.reportTimes = true;
        } else if (argument.startsWith(u"--")) {
            usage("unknown option");
        } else {
            positional.push_back(argument);
        }
    }
    if (positional.empty() || positional.size() > 2)
        usage("give an optional FILE and the OUT.png to write");
    options.output = positional.back();
    if (positional.size() == 2)
        options.file = positional.front();
    return options;
}

void applyFont(QtSurface& surface, const ShotOptions& options) {
    try {
        if (options.fontName)
            surface.setFontName(toU16String(*options.fontName));
        if (options.fontSize)
            surface.setFontSize(*options.fontSize);
    } catch (const std::exception& error) {
        usage(error.what());
    }
}

double millisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

} // namespace

int main(int argc, char** argv) {
    const auto start = std::chrono::steady_clock::now();
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    const ShotOptions options = parseArguments(argc, argv);

    QtSurface surface(options.width, options.height);
    applyFont(surface, options);
    ShotHost host(surface);
    frmEditor form(host);
    form.onLoadFile(options.file ? std::optional(toU16String(*options.file)) : std::nullopt);
    form.onResize(options.width, options.height);
    const double firstFrame = millisecondsSince(start);
    int ticks = 0;
    while (form.box().moving && ticks++ < mostTicks)
        form.onTick();
    const double settledFrame = millisecondsSince(start);
    if (host.failed)
        return failure;
    if (!surface.presentedImage().save(options.output, "PNG")) {
        std::fprintf(stderr, "columnator-shot: cannot write %s\n", qPrintable(options.output));
        return failure;
    }
    if (options.reportTimes)
        std::fprintf(stderr, "first frame %.1f ms, settled after %d ticks at %.1f ms\n", firstFrame,
                     ticks, settledFrame);
    return 0;
}
