// A large page (about 5 MB of markup, 20 000 elements, 200 small images and 50 inline frames),
// written by this program and served on 127.0.0.1, loaded in Skiff's browser window and in a
// bare web view. Two comparisons from the same runs, for each engine (Skiff on Qt WebEngine
// against a bare Qt WebEngine view, bare_qtwebengine: ..._bare_engine; Skiff on WebKitGTK
// against a bare WebKitGTK view in a GTK window, bare_webkitgtk: ..._bare_webkitgtk):
//   page_load_vs_bare_...  wall time from Navigate to DocumentComplete (the bare view: its load
//                          to the load's end), medians of several runs
//   memory_vs_bare_...     proportional set size of the whole process tree (the program and the
//                          web engine's processes) once the page has loaded, medians
// Each run starts Skiff and the bare program as child processes of this one, alternating, each
// with a home of its own, on a real X display (tools/bench.sh starts a private Xvfb), so that
// the page is drawn as a user sees it. A child first shows about:blank, waits until it is
// settled, then loads the page.
//
//   bench_page_load                     run the comparisons and print the lines
//   bench_page_load --skiff ENGINE URL  (child) Skiff's first browser window on ENGINE
//   bench_page_load --serve             serve the page until ended, to profile a child by hand
// A child prints "load_ms=T" once the page has settled and waits to be ended; the memory of its
// process tree is read then.

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QHash>
#include <QImage>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "app/enginechoice.h"
#include "browser/frmmain.h"
#include "childprocess.h"
#include "engine/webbrowser.h"
#include "loadrun.h"
#include "skiffchild.h"

namespace {

constexpr int kRuns = 15;
constexpr int kRows = 10000;        // each a block and a link: 20 000 elements
constexpr int kRowBytes = 500;      // 5 MB of markup
constexpr int kRowsPerImage = 50;   // 200 images
constexpr int kRowsPerFrame = 200;  // 50 inline frames
constexpr int kChildTimeoutMs = 180000;

// ---- The page and its server ----

struct Resource {
    QByteArray type;
    QByteArray body;
};

QByteArray png(int index) {
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(QColor::fromHsv(index * 37 % 360, 200, 220));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QHash<QByteArray, Resource> pageResources() {
    QHash<QByteArray, Resource> files;
    QByteArray page =
        "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Large page</title>"
        "<style>div{font:13px sans-serif;margin:2px 0}iframe{display:block}</style></head><body>"
        "<h1>Large page</h1>\n";
    const QByteArray filler =
        " Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod tempor "
        "incididunt ut labore et dolore magna aliqua. Ut enim ad minim veniam, quis nostrud "
        "exercitation ullamco laboris nisi ut aliquip ex ea commodo consequat. Duis aute irure "
        "dolor in reprehenderit in voluptate velit esse cillum dolore eu fugiat nulla pariatur. "
        "Excepteur sint occaecat cupidatat non proident, sunt in culpa qui officia deserunt.";
    for (int i = 0; i < kRows; ++i) {
        const QByteArray n = QByteArray::number(i);
        QByteArray row = "<div id=\"r" + n + "\"><a href=\"/item/" + n + "\">Item " + n + "</a>";
        row += filler.left(kRowBytes - row.size() - 7) + "</div>\n";
        page += row;
        if (i % kRowsPerImage == 0) {
            const QByteArray k = QByteArray::number(i / kRowsPerImage);
            page += "<img src=\"/img/" + k + ".png\" width=\"16\" height=\"16\" alt=\"\">\n";
            files.insert("/img/" + k + ".png", {"image/png", png(i / kRowsPerImage)});
        }
        if (i % kRowsPerFrame == 0) {
            const QByteArray k = QByteArray::number(i / kRowsPerFrame);
            page += "<iframe src=\"/frame/" + k + ".html\" width=\"400\" height=\"60\"></iframe>\n";
            files.insert(
                "/frame/" + k + ".html",
                {"text/html; charset=utf-8",
                 "<!DOCTYPE html><html><body><h2>Frame " + k + "</h2><p>A small " +
                     "framed page with a <a href=\"/item/0\">link</a>.</p></body></html>"});
        }
    }
    page += "</body></html>\n";
    files.insert("/page.html", {"text/html; charset=utf-8", page});
    return files;
}

// HTTP/1.1 on 127.0.0.1 with connections kept open, as a web server does.
class PageServer : public QObject {
public:
    explicit PageServer(QHash<QByteArray, Resource> files) : m_files(std::move(files)) {
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { answer(socket); });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }
    QString url(const QString& path) const {
        return QString("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path);
    }

private:
    void answer(QTcpSocket* socket) {
        QByteArray& pending = m_pending[socket];
        pending += socket->readAll();
        for (qsizetype end; (end = pending.indexOf("\r\n\r\n")) >= 0;) {
            const QByteArray request = pending.left(end);
            pending.remove(0, end + 4);
            QByteArray path = request.split(' ').value(1);
            path = path.left(path.indexOf('?') >= 0 ? path.indexOf('?') : path.size());
            const auto found = m_files.constFind(path);
            if (found == m_files.constEnd()) {
                socket->write("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n");
                continue;
            }
            socket->write("HTTP/1.1 200 OK\r\nContent-Type: " + found->type +
                          "\r\nContent-Length: " + QByteArray::number(found->body.size()) +
                          "\r\nConnection: keep-alive\r\n\r\n");
            socket->write(found->body);
        }
    }

    QTcpServer m_server;
    QHash<QByteArray, Resource> m_files;
    QHash<QTcpSocket*, QByteArray> m_pending;
};

// ---- The children ----

int runSkiff(int argc, char** argv, const QString& engine, const QString& url) {
    skiff::bench::LoadRun run;
    return skiff::bench::runSkiffChild(argc, argv, engine, [&run, url](skiff::FrmMain& window) {
        skiff::WebBrowser* wb = window.wbMain();
        run.navigate = [wb, url] { wb->Navigate(url); };
        QObject::connect(wb, &skiff::WebBrowser::DocumentComplete,
                         [&run] { run.documentComplete(); });
    });
}

// ---- The comparison ----

struct Sample {
    double ms = -1;
    double kb = -1;
};

Sample runChild(const skiff::bench::ChildProgram& program) {
    QTemporaryDir home;
    QProcess child;
    skiff::bench::useHome(child, home.path());
    if (!skiff::bench::useXDisplay(child)) return {};
    if (!qEnvironmentVariableIsSet("SKIFF_BENCH_VERBOSE"))
        child.setStandardErrorFile(QProcess::nullDevice());
    else
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QEventLoop loop;  // the server answers meanwhile
    QByteArray output;
    QObject::connect(&child, &QProcess::readyReadStandardOutput, &loop, [&] {
        output += child.readAllStandardOutput();
        if (output.contains('\n')) loop.quit();
    });
    QObject::connect(&child, &QProcess::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(kChildTimeoutMs, &loop, &QEventLoop::quit);
    child.start(program.program, program.arguments);
    loop.exec();
    Sample s;
    if (output.startsWith("load_ms=") && child.state() == QProcess::Running) {
        s.ms = output.trimmed().mid(8).toDouble();
        s.kb = static_cast<double>(skiff::bench::treePssKb(child.processId()));
    }
    skiff::bench::endTree(child);
    return s;
}

int compare(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const bool serveOnly = argc >= 2 && QByteArray(argv[1]) == "--serve";
    if (qEnvironmentVariableIsEmpty("DISPLAY") && !serveOnly) {
        std::fputs("bench_page_load needs an X display (tools/bench.sh starts one)\n", stderr);
        return 1;
    }
    PageServer server(pageResources());
    const QString url = server.url("/page.html");
    if (serveOnly) {
        std::printf("%s\n", qPrintable(url));
        std::fflush(stdout);
        return app.exec();
    }
    const QString self = QCoreApplication::applicationFilePath();
    using skiff::EngineKind, skiff::bench::engineName;
    struct {
        const char* baseline;  // the end of both lines' names
        skiff::bench::ChildProgram skiff;
        skiff::bench::ChildProgram bare;
        std::vector<double> skiffMs, bareMs, skiffKb, bareKb;
    } comparisons[] = {
        {"bare_engine",
         {self, {"--skiff", engineName(EngineKind::QtWebEngine), url}},
         skiff::bench::bareQtWebEngine({"page-load", url})},
        {"bare_webkitgtk",
         {self, {"--skiff", engineName(EngineKind::WebKitGtk), url}},
         skiff::bench::bareWebKitGtk({"page-load", url, QString::number(skiff::bench::kSettleMs)})},
    };
    for (int i = 0; i < kRuns; ++i) {
        for (auto& c : comparisons) {
            // Alternating which goes first, so that neither always finds the machine warmer.
            Sample s, b;
            if (i % 2 == 0) {
                s = runChild(c.skiff);
                b = runChild(c.bare);
            } else {
                b = runChild(c.bare);
                s = runChild(c.skiff);
            }
            if (s.ms <= 0 || b.ms <= 0 || s.kb <= 0 || b.kb <= 0) {
                std::fprintf(stderr, "run %d against %s: %s did not load the page\n", i + 1,
                             c.baseline, s.ms <= 0 || s.kb <= 0 ? "skiff" : "the bare engine");
                return 1;
            }
            c.skiffMs.push_back(s.ms);
            c.bareMs.push_back(b.ms);
            c.skiffKb.push_back(s.kb);
            c.bareKb.push_back(b.kb);
            std::printf("run %d against %s: skiff %.0f ms %.0f MB, bare %.0f ms %.0f MB\n", i + 1,
                        c.baseline, s.ms, s.kb / 1024, b.ms, b.kb / 1024);
            std::fflush(stdout);
        }
    }
    using skiff::bench::median;
    for (const auto& c : comparisons) {
        std::printf("page_load_vs_%s ratio=%.2f goal<=1.05\n", c.baseline,
                    median(c.skiffMs) / median(c.bareMs));
        std::printf("memory_vs_%s ratio=%.2f goal<=1.10\n", c.baseline,
                    median(c.skiffKb) / median(c.bareKb));
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 4 && QByteArray(argv[1]) == "--skiff")
        return runSkiff(argc, argv, argv[2], argv[3]);
    return compare(argc, argv);
}
