// qelt_render_guide SOURCE_DIR OUTPUT_DIR: renders the user guide's Markdown pages to
// HTML at build time. Every SOURCE_DIR/NAME.md becomes OUTPUT_DIR/NAME.html; links to
// other pages (NAME.md, NAME.md#part) lead to their HTML; every image is copied into
// OUTPUT_DIR/images/ and shown from there, so the output folder stands on its own
// (beside the executable, or installed under share/doc/qelt). A link to a missing page or
// a missing image fails the build rather than shipping a broken guide.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QUrl>
#include <cstdio>
#include <vector>

namespace {

const char kImageFolder[] = "images";
const char kStyle[] =
    "body{font-family:\"WenQuanYi Micro Hei\",\"Noto Sans CJK SC\",sans-serif;"
    "max-width:50em;margin:2em auto;padding:0 1em;line-height:1.6;color:#222}"
    "h1,h2,h3{color:#1f4e79}img{max-width:100%;border:1px solid #ccc}"
    "pre,code{background:#f3f3f8}pre{margin:0;padding:0 .5em;white-space:pre-wrap}"
    "table{border-collapse:collapse}td,th{border:1px solid #bbb;padding:.2em .5em}";

// A reference to another file of the guide: relative, no scheme.
bool IsLocal(const QString& reference) {
    return !reference.isEmpty() && !reference.startsWith(QLatin1Char('#')) &&
           QUrl(reference).scheme().isEmpty() && QDir::isRelativePath(reference);
}

class GuideRenderer {
public:
    GuideRenderer(const QDir& source, const QDir& output) : m_Source(source), m_Output(output) {}

    bool RenderPage(const QString& fileName) {
        QFile file(m_Source.filePath(fileName));
        if (!file.open(QIODevice::ReadOnly)) {
            return Fail(QStringLiteral("cannot read %1").arg(file.fileName()));
        }
        QTextDocument document;
        document.setMarkdown(QString::fromUtf8(file.readAll()),
                             QTextDocument::MarkdownDialectGitHub);
        const bool linked = RewriteReferences(document, fileName);
        document.setMetaInformation(QTextDocument::DocumentTitle, document.firstBlock().text());
        QString html = document.toHtml();
        // Qt writes the default font into the body's style; the page's own style sheet
        // decides the look instead.
        html.replace(QRegularExpression(QStringLiteral("<body[^>]*>")), QStringLiteral("<body>"));
        html.replace(QStringLiteral("</head>"),
                     QStringLiteral("<style>%1</style>\n</head>").arg(QString::fromUtf8(kStyle)));
        html.replace(QStringLiteral("<html>"), QStringLiteral("<html lang=\"zh-CN\">"));
        QFile page(
            m_Output.filePath(QFileInfo(fileName).completeBaseName() + QStringLiteral(".html")));
        if (!page.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            page.write(html.toUtf8()) < 0) {
            return Fail(QStringLiteral("cannot write %1").arg(page.fileName()));
        }
        return linked;
    }

private:
    struct Change {
        int position;
        int length;
        QTextCharFormat format;
    };

    bool RewriteReferences(QTextDocument& document, const QString& page) {
        bool ok = true;
        std::vector<Change> changes;
        for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextFragment fragment = it.fragment();
                QTextCharFormat format = fragment.charFormat();
                bool changed = false;
                if (format.isImageFormat()) {
                    QTextImageFormat image = format.toImageFormat();
                    QString shown;
                    ok = CopyImage(image.name(), page, shown) && ok;
                    image.setName(shown);
                    format = image;
                    changed = true;
                }
                if (format.isAnchor() && IsLocal(format.anchorHref())) {
                    QString target;
                    ok = PageLink(format.anchorHref(), page, target) && ok;
                    format.setAnchorHref(target);
                    changed = true;
                }
                if (changed) {
                    changes.push_back({fragment.position(), fragment.length(), format});
                }
            }
        }
        for (const Change& change : changes) {
            QTextCursor cursor(&document);
            cursor.setPosition(change.position);
            cursor.setPosition(change.position + change.length, QTextCursor::KeepAnchor);
            cursor.setCharFormat(change.format);
        }
        return ok;
    }

    // A link to NAME.md[#part] leads to NAME.html[#part]; other local files must exist.
    bool PageLink(const QString& href, const QString& page, QString& target) {
        const qsizetype hash = href.indexOf(QLatin1Char('#'));
        const QString path = hash < 0 ? href : href.left(hash);
        const QString part = hash < 0 ? QString() : href.mid(hash);
        if (!QFileInfo(m_Source.filePath(path)).isFile()) {
            return Fail(QStringLiteral("%1: link to a missing file %2").arg(page, path));
        }
        if (!path.endsWith(QStringLiteral(".md"))) {
            return Fail(
                QStringLiteral("%1: link to %2, which is not a page of the guide").arg(page, path));
        }
        target = QFileInfo(path).completeBaseName() + QStringLiteral(".html") + part;
        return true;
    }

    bool CopyImage(const QString& name, const QString& page, QString& shown) {
        const QFileInfo image(m_Source.filePath(name));
        if (!IsLocal(name) || !image.isFile()) {
            return Fail(QStringLiteral("%1: missing image %2").arg(page, name));
        }
        shown = QStringLiteral("%1/%2").arg(QString::fromUtf8(kImageFolder), image.fileName());
        const QString copy = m_Output.filePath(shown);
        QFile::remove(copy);
        if (!QFile::copy(image.filePath(), copy)) {
            return Fail(QStringLiteral("cannot copy %1 to %2").arg(image.filePath(), copy));
        }
        return true;
    }

    static bool Fail(const QString& message) {
        std::fprintf(stderr, "qelt_render_guide: %s\n", message.toLocal8Bit().constData());
        return false;
    }

    QDir m_Source;
    QDir m_Output;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: qelt_render_guide SOURCE_DIR OUTPUT_DIR\n", stderr);
        return 2;
    }
    // Rendering needs fonts but no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    const QGuiApplication application(argc, argv);
    const QDir source(QString::fromLocal8Bit(argv[1]));
    const QString outputPath = QString::fromLocal8Bit(argv[2]);
    if (!QDir().mkpath(outputPath + QLatin1Char('/') + QString::fromUtf8(kImageFolder))) {
        std::fprintf(stderr, "qelt_render_guide: cannot create %s\n", argv[2]);
        return 1;
    }
    const QStringList pages = source.entryList({QStringLiteral("*.md")}, QDir::Files, QDir::Name);
    if (!pages.contains(QStringLiteral("index.md"))) {
        std::fprintf(stderr, "qelt_render_guide: no index.md in %s\n", argv[1]);
        return 1;
    }
    GuideRenderer renderer(source, QDir(outputPath));
    bool ok = true;
    for (const QString& page : pages) {
        ok = renderer.RenderPage(page) && ok;
    }
    return ok ? 0 : 1;
}
