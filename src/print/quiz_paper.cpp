#include "print/quiz_paper.h"

#include "document/code_page.h"
#include "document/html_prefs.h"
#include "generator/html_rules.h"
#include "print/paper_forms.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QHash>
#include <QLocale>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <memory>

namespace tamberlin {

namespace {

// ---- From the quiz to the paper --------------------------------------------------------------

QString fromQuizText(std::string_view bytes) {
    return QString::fromStdString(CodePage::system().toUtf8(bytes));
}

// A stored text's line breaks (CR LF pairs, or a lone CR or LF) as "\n".
QString withLineBreaks(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

// The family the title is set in: the page look's title face when its row is on and this desktop
// has the face (the three faces of the face list stand for the desktop's own serif, sans-serif
// and monospace fonts); empty for the body's font.
QString titleFamily(const THtmlPrefs& prefs) {
    if (prefs.TitleFontOn != 1 || prefs.TitleFontFace.empty()) {
        return {};
    }
    switch (FontFaceIndex(prefs.TitleFontFace.view())) {
    case 0:
        return QStringLiteral("Serif");
    case 1:
        return QStringLiteral("Sans Serif");
    case 2:
        return QStringLiteral("Monospace");
    default:
        break;
    }
    const QString face = fromQuizText(prefs.TitleFontFace.view());
    return QFontDatabase::hasFamily(face) ? face : QString();
}

// Where a picture address leads on this machine: a full path as it stands; a bare or relative
// name beside the quiz file first (where the published page finds it), then in the current
// folder.
QString picturePath(const QString& address, const QString& quizFileName) {
    if (QDir::isAbsolutePath(address)) {
        return address;
    }
    if (!quizFileName.isEmpty()) {
        const QString beside = QFileInfo(quizFileName).absoluteDir().filePath(address);
        if (QFileInfo::exists(beside)) {
            return beside;
        }
    }
    return QDir::current().absoluteFilePath(address);
}

QString questionLabel(int number) {
    return QStringLiteral("Question ") + QString::number(number) + QStringLiteral(": ");
}

} // namespace

PaperSet PreparePapers(const TQuizRec& quiz, const QString& quizFileName, int formCount,
                       std::uint64_t seed, const PaperPictureLoader& loadPicture) {
    PaperSet set;
    const int questionCount = std::clamp(quiz.QuestionCount, 0, kMaxQuestions);
    if (questionCount != quiz.QuestionCount) {
        set.notes << QStringLiteral("The quiz file counts %1 questions; %2 are printed.")
                         .arg(quiz.QuestionCount)
                         .arg(questionCount);
    }
    const int choiceCount = std::clamp(quiz.ChoiceCount, kMinChoices, kMaxChoices);
    if (choiceCount != quiz.ChoiceCount) {
        set.notes << QStringLiteral("The quiz file asks for %1 choices a question; %2 are printed.")
                         .arg(quiz.ChoiceCount)
                         .arg(choiceCount);
    }

    // The questions in the quiz's own order; every picture is loaded once.
    std::vector<PaperQuestion> own;
    struct Loaded {
        QImage image;
        QString error;
    };
    QHash<QString, Loaded> loaded;
    for (int n = 0; n < questionCount; ++n) {
        const TQuestionRec& record = quiz.Questions[static_cast<std::size_t>(n)];
        PaperQuestion question;
        question.quizNumber = n + 1;
        question.text = withLineBreaks(fromQuizText(record.QuestionText.view()));
        for (int k = 0; k < choiceCount; ++k) {
            question.choices << withLineBreaks(fromQuizText(record.choice(k).view()));
        }
        const QString answer = fromQuizText(record.Answer.view());
        const int right = answer.size() == 1 ? answer.at(0).unicode() - u'A' : -1;
        if (right >= 0 && right < choiceCount) {
            question.right = right;
        } else if (answer.isEmpty()) {
            set.notes << questionLabel(n + 1) +
                             QStringLiteral("the quiz gives no right answer; its key shows \"-\".");
        } else {
            set.notes << questionLabel(n + 1) + QStringLiteral("the right answer \"") + answer +
                             QStringLiteral("\" is not one of its choices; its key shows \"-\".");
        }
        if (!record.PicAddress.empty()) {
            const QString address = fromQuizText(record.PicAddress.view());
            question.pictureName = address;
            const QString path = picturePath(address, quizFileName);
            auto found = loaded.find(path);
            if (found == loaded.end()) {
                Loaded picture;
                picture.image = loadPicture(path, &picture.error);
                found = loaded.insert(path, picture);
            }
            if (!found->image.isNull()) {
                question.picture = found->image;
            } else {
                set.notes << questionLabel(n + 1) + QStringLiteral("the picture \"") + address +
                                 QStringLiteral("\" cannot be printed (") + found->error +
                                 QStringLiteral("); the paper shows a framed note in its place.");
            }
        }
        own.push_back(std::move(question));
    }

    const QString title = fromQuizText(quiz.Title.view());
    const QString face = titleFamily(quiz.Prefs);
    for (const PaperForm& form : DrawPaperForms(questionCount, choiceCount, formCount, seed)) {
        Paper paper;
        paper.title = title;
        paper.titleFace = face;
        paper.form = formCount > 1 ? QString(QLatin1Char(form.letter())) : QString();
        paper.seed = seed;
        for (std::size_t p = 0; p < form.questions.size(); ++p) {
            const PaperQuestion& source = own[static_cast<std::size_t>(form.questions[p])];
            PaperQuestion printed = source;
            printed.choices.clear();
            printed.right = -1;
            for (const int k : form.choices[p]) {
                if (k == source.right) {
                    printed.right = static_cast<int>(printed.choices.size());
                }
                printed.choices << source.choices.at(k);
            }
            paper.questions.push_back(std::move(printed));
        }
        set.forms.push_back(std::move(paper));
    }
    return set;
}

// ---- Layout ----------------------------------------------------------------------------------

namespace {

constexpr qreal kBodyPoints = 11;
constexpr qreal kTitlePoints = 18;
constexpr qreal kKeyTitlePoints = 16;
constexpr qreal kFooterPoints = 9;
// A picture's own size is the size a browser shows it at: 96 pixels to the inch.
constexpr qreal kPicturePixelsPerInch = 96;
// Pictures are kept at up to this resolution at their printed size.
constexpr qreal kPictureDotsPerInch = 300;

// Something painted on a page, in device units relative to the page's paint area.
struct Item {
    enum class Kind { Text, Picture, Line, Frame };
    Kind kind = Kind::Text;
    QPointF at;
    std::shared_ptr<QTextLayout> text;
    QRectF rect;
    QImage picture;
    QLineF line;
};

struct Page {
    std::vector<Item> items;
    QString footerLeft;
};

class PaperLayout {
public:
    explicit PaperLayout(QPaintDevice& device) : device_(device) {
        scale_ = device.logicalDpiY() / 72.0;
        width_ = device.width();
        footerHeight_ = points(kFooterPoints * 3);
        height_ = device.height() - footerHeight_;
        body_ = font(QString(), kBodyPoints, false);
        bold_ = font(QString(), kBodyPoints, true);
        footer_ = font(QString(), kFooterPoints, false);
    }

    void addPaper(const Paper& paper, const PaperRendering& rendering) {
        const QString footer =
            paper.form.isEmpty() ? QString() : QStringLiteral("Form ") + paper.form;
        if (rendering.questions) {
            startPage(footer);
            addHeader(paper);
            for (std::size_t p = 0; p < paper.questions.size(); ++p) {
                addQuestion(static_cast<int>(p) + 1, paper.questions[p]);
            }
        }
        if (rendering.key) {
            startPage(footer);
            addKey(paper);
        }
    }

    std::vector<Page>& pages() { return pages_; }
    qreal scale() const { return scale_; }
    qreal width() const { return width_; }
    qreal bottom() const { return height_ + footerHeight_; }
    const QFont& footerFont() const { return footer_; }

private:
    qreal points(qreal pt) const { return pt * scale_; }

    static QFont font(const QString& family, qreal size, bool bold) {
        QFont result;
        if (family.isEmpty()) {
            result.setFamilies({QStringLiteral("Sans Serif")});
            result.setStyleHint(QFont::SansSerif);
        } else {
            result.setFamilies({family});
        }
        result.setPointSizeF(size);
        result.setBold(bold);
        return result;
    }

    // Lays text out in lines of the given width, breaking between words where it can and inside
    // a word that is wider than the line.
    std::shared_ptr<QTextLayout> lines(QString text, const QFont& font, qreal lineWidth,
                                       qreal* height, Qt::Alignment align = Qt::AlignLeft) {
        text.replace(u'\n', QChar::LineSeparator);
        auto layout = std::make_shared<QTextLayout>(text, font, &device_);
        QTextOption option(align);
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout->setTextOption(option);
        layout->setCacheEnabled(true);
        qreal y = 0;
        layout->beginLayout();
        for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
            line.setLineWidth(lineWidth);
            line.setPosition(QPointF(0, y));
            y += line.height();
        }
        layout->endLayout();
        *height = std::max(y, QFontMetricsF(font, &device_).height());
        return layout;
    }

    qreal textWidth(const QString& text, const QFont& font) const {
        return QFontMetricsF(font, &device_).horizontalAdvance(text);
    }

    Item textItem(QPointF at, std::shared_ptr<QTextLayout> layout) const {
        Item item;
        item.at = at;
        item.text = std::move(layout);
        return item;
    }

    void startPage(const QString& footerLeft) {
        pages_.emplace_back();
        pages_.back().footerLeft = footerLeft;
        y_ = 0;
    }

    // Puts a block of items (laid out from 0) at the current place, or on a new page when it
    // does not fit in what is left of this one.
    void place(std::vector<Item> block, qreal blockHeight, qreal gapAfter) {
        if (y_ > 0 && y_ + blockHeight > height_) {
            startPage(pages_.back().footerLeft);
        }
        for (Item& item : block) {
            const QPointF shift(0, y_);
            item.at += shift;
            item.rect.translate(shift);
            item.line.translate(shift);
            pages_.back().items.push_back(std::move(item));
        }
        y_ += blockHeight + gapAfter;
    }

    void addHeader(const Paper& paper) {
        std::vector<Item> block;
        const QFont formFont = font(QString(), kTitlePoints, true);
        const QString formText =
            paper.form.isEmpty() ? QString() : QStringLiteral("Form ") + paper.form;
        const qreal formWidth = formText.isEmpty() ? 0 : textWidth(formText, formFont) + points(12);
        qreal titleHeight = 0;
        block.push_back(
            textItem({0, 0}, lines(paper.title, font(paper.titleFace, kTitlePoints, true),
                                   width_ - formWidth, &titleHeight)));
        if (!formText.isEmpty()) {
            qreal h = 0;
            block.push_back(textItem({width_ - formWidth, 0},
                                     lines(formText, formFont, formWidth, &h, Qt::AlignRight)));
            titleHeight = std::max(titleHeight, h);
        }
        qreal y = titleHeight + points(14);
        // Name ______________  Date __________
        qreal h = 0;
        const qreal nameWidth = textWidth(QStringLiteral("Name: "), body_);
        const qreal dateWidth = textWidth(QStringLiteral("Date: "), body_);
        const qreal dateAt = width_ * 0.65;
        block.push_back(textItem({0, y}, lines(QStringLiteral("Name:"), body_, nameWidth, &h)));
        block.push_back(
            textItem({dateAt, y}, lines(QStringLiteral("Date:"), body_, dateWidth, &h)));
        const qreal rule = y + h * 0.85;
        Item nameLine;
        nameLine.kind = Item::Kind::Line;
        nameLine.line = QLineF(nameWidth, rule, dateAt - points(18), rule);
        block.push_back(nameLine);
        Item dateLine = nameLine;
        dateLine.line = QLineF(dateAt + dateWidth, rule, width_, rule);
        block.push_back(dateLine);
        y += h + points(10);
        Item separator;
        separator.kind = Item::Kind::Line;
        separator.line = QLineF(0, y, width_, y);
        block.push_back(separator);
        place(std::move(block), y, points(14));
    }

    void addQuestion(int number, const PaperQuestion& question) {
        std::vector<Item> block;
        const qreal indent = textWidth(QStringLiteral("100."), bold_) + points(8);
        const qreal column = width_ - indent;
        qreal h = 0;
        block.push_back(textItem({0, 0}, lines(QString::number(number) + u'.', bold_, indent, &h)));
        block.push_back(textItem({indent, 0}, lines(question.text, body_, column, &h)));
        qreal y = h + points(4);

        // The choices are laid out first, so that the picture can take what is left of a page.
        const qreal letterWidth = textWidth(QStringLiteral("M."), body_) + points(8);
        std::vector<Item> choices;
        qreal choicesHeight = 0;
        for (int k = 0; k < question.choices.size(); ++k) {
            choices.push_back(
                textItem({indent, choicesHeight},
                         lines(QString(QLatin1Char(static_cast<char>('A' + k))) + u'.', body_,
                               letterWidth, &h)));
            qreal textHeight = 0;
            choices.push_back(
                textItem({indent + letterWidth, choicesHeight},
                         lines(question.choices.at(k), body_, column - letterWidth, &textHeight)));
            choicesHeight += std::max(h, textHeight) + points(3);
        }

        if (!question.pictureName.isEmpty()) {
            if (!question.picture.isNull()) {
                const QImage& image = question.picture;
                const qreal own = points(72 / kPicturePixelsPerInch);
                const qreal roomLeft = height_ - y - choicesHeight - points(8);
                const qreal most = std::max(points(36), std::min(height_ * 0.45, roomLeft));
                const qreal shrink =
                    std::min({1.0, column / (image.width() * own), most / (image.height() * own)});
                Item picture;
                picture.kind = Item::Kind::Picture;
                picture.rect =
                    QRectF(indent, y, image.width() * own * shrink, image.height() * own * shrink);
                // Kept at the resolution paper needs, so that big pictures do not swell the file.
                const int dots = static_cast<int>(
                    std::ceil(picture.rect.width() / scale_ / 72 * kPictureDotsPerInch));
                picture.picture = image.width() > dots
                                      ? image.scaledToWidth(dots, Qt::SmoothTransformation)
                                      : image;
                block.push_back(picture);
                y += picture.rect.height() + points(6);
            } else {
                // A picture that cannot be loaded leaves a visible note, not a gap.
                qreal noteHeight = 0;
                auto note = lines(QStringLiteral("Picture missing: ") + question.pictureName, body_,
                                  column - points(16), &noteHeight, Qt::AlignHCenter);
                Item frame;
                frame.kind = Item::Kind::Frame;
                frame.rect = QRectF(indent, y, column, noteHeight + points(16));
                block.push_back(frame);
                block.push_back(textItem({indent + points(8), y + points(8)}, note));
                y += frame.rect.height() + points(6);
            }
        }
        for (Item& item : choices) {
            item.at.ry() += y;
            block.push_back(std::move(item));
        }
        place(std::move(block), y + choicesHeight, points(10));
    }

    void addKey(const Paper& paper) {
        qreal h = 0;
        std::vector<Item> head;
        head.push_back(textItem({0, 0}, lines(QStringLiteral("Answer key"),
                                              font(QString(), kKeyTitlePoints, true), width_, &h)));
        qreal y = h + points(4);
        head.push_back(textItem({0, y}, lines(paper.title, body_, width_, &h)));
        y += h;
        if (!paper.form.isEmpty()) {
            head.push_back(textItem({0, y}, lines(QStringLiteral("Form ") + paper.form +
                                                      QStringLiteral(" (seed ") +
                                                      QString::number(paper.seed) + u')',
                                                  bold_, width_, &h)));
            y += h;
        }
        place(std::move(head), y, points(14));

        // Columns of question numbers and letters, down one column and on to the next.
        const qreal numberWidth = textWidth(QStringLiteral("Question"), bold_) + points(14);
        const qreal letterWidth = textWidth(QStringLiteral("Answer"), bold_) + points(28);
        const qreal groupWidth = numberWidth + letterWidth;
        const int groups = std::max(1, static_cast<int>(width_ / groupWidth));
        const qreal rowHeight = QFontMetricsF(body_, &device_).height() * 1.4;
        const int count = static_cast<int>(paper.questions.size());
        bool noAnswer = false;
        int next = 0;
        while (next < count) {
            const int rows = std::max(1, static_cast<int>((height_ - y_) / rowHeight) - 1);
            const int onPage = std::min(count - next, rows * groups);
            // The rows are shared out evenly among the columns the page needs.
            const int columns = (onPage + rows - 1) / rows;
            const int rowsUsed = (onPage + columns - 1) / columns;
            std::vector<Item> table;
            for (int g = 0; g * rowsUsed < onPage; ++g) {
                const qreal x = g * groupWidth;
                table.push_back(
                    textItem({x, 0}, lines(QStringLiteral("Question"), bold_, numberWidth, &h)));
                table.push_back(textItem({x + numberWidth, 0},
                                         lines(QStringLiteral("Answer"), bold_, letterWidth, &h)));
                Item rule;
                rule.kind = Item::Kind::Line;
                rule.line =
                    QLineF(x, rowHeight * 0.9, x + groupWidth - points(14), rowHeight * 0.9);
                table.push_back(rule);
                for (int r = 0; r < rowsUsed && g * rowsUsed + r < onPage; ++r) {
                    const int p = next + g * rowsUsed + r;
                    const PaperQuestion& question = paper.questions[static_cast<std::size_t>(p)];
                    const qreal rowY = (r + 1) * rowHeight;
                    table.push_back(
                        textItem({x, rowY}, lines(QString::number(p + 1), body_,
                                                  numberWidth - points(14), &h, Qt::AlignRight)));
                    const QString letter =
                        question.right >= 0
                            ? QString(QLatin1Char(static_cast<char>('A' + question.right)))
                            : QStringLiteral("-");
                    noAnswer = noAnswer || question.right < 0;
                    table.push_back(
                        textItem({x + numberWidth, rowY}, lines(letter, bold_, letterWidth, &h)));
                }
            }
            place(std::move(table), (rowsUsed + 1) * rowHeight, points(12));
            next += onPage;
            if (next < count) {
                startPage(pages_.back().footerLeft);
            }
        }
        if (noAnswer) {
            std::vector<Item> note;
            note.push_back(textItem({0, 0}, lines(QStringLiteral("\"-\": the quiz gives no right "
                                                                 "answer among the choices."),
                                                  body_, width_, &h)));
            place(std::move(note), h, 0);
        }
    }

    QPaintDevice& device_;
    qreal scale_ = 1;
    qreal width_ = 0;
    qreal height_ = 0;
    qreal footerHeight_ = 0;
    qreal y_ = 0;
    QFont body_;
    QFont bold_;
    QFont footer_;
    std::vector<Page> pages_;
};

void paintPage(QPainter& painter, PaperLayout& layout, const Page& page, int number, int count) {
    const QPen ink(Qt::black, layout.scale() * 0.6);
    const QPen faint(QColor(0x80, 0x80, 0x80), layout.scale() * 0.6, Qt::DashLine);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    for (const Item& item : page.items) {
        switch (item.kind) {
        case Item::Kind::Text:
            painter.setPen(Qt::black);
            item.text->draw(&painter, item.at);
            break;
        case Item::Kind::Picture:
            painter.drawImage(item.rect, item.picture);
            break;
        case Item::Kind::Line:
            painter.setPen(ink);
            painter.drawLine(item.line);
            break;
        case Item::Kind::Frame:
            painter.setPen(faint);
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(item.rect);
            break;
        }
    }
    painter.setPen(Qt::black);
    painter.setFont(layout.footerFont());
    const qreal footHeight = QFontMetricsF(layout.footerFont(), painter.device()).height() * 1.5;
    const QRectF foot(0, layout.bottom() - footHeight, layout.width(), footHeight);
    painter.drawText(foot, Qt::AlignHCenter | Qt::AlignBottom,
                     QStringLiteral("Page %1 of %2").arg(number).arg(count));
    if (!page.footerLeft.isEmpty()) {
        painter.drawText(foot, Qt::AlignLeft | Qt::AlignBottom, page.footerLeft);
    }
}

QPageLayout paperLayout(const QPageSize& size) {
    return QPageLayout(size, QPageLayout::Portrait, PaperMargins(), QPageLayout::Millimeter);
}

} // namespace

int RenderPaper(QPagedPaintDevice& device, const std::vector<Paper>& papers,
                const PaperRendering& rendering) {
    PaperLayout layout(device);
    for (const Paper& paper : papers) {
        layout.addPaper(paper, rendering);
    }
    const auto& pages = layout.pages();
    const int count = static_cast<int>(pages.size());
    QPainter painter(&device);
    bool first = true;
    for (int n = 0; n < count; ++n) {
        if (rendering.wanted && !rendering.wanted(n + 1)) {
            continue;
        }
        if (!first) {
            device.newPage();
        }
        first = false;
        paintPage(painter, layout, pages[static_cast<std::size_t>(n)], n + 1, count);
    }
    return count;
}

int CountPaperPages(const QPageSize& size, const std::vector<Paper>& papers,
                    const PaperRendering& rendering) {
    QBuffer sink;
    sink.open(QIODevice::WriteOnly);
    QPdfWriter writer(&sink);
    writer.setPageLayout(paperLayout(size));
    PaperLayout layout(writer);
    for (const Paper& paper : papers) {
        layout.addPaper(paper, rendering);
    }
    return static_cast<int>(layout.pages().size());
}

QString WritePaperPdf(const QString& path, const QPageSize& size, const QString& title,
                      const std::function<void(QPagedPaintDevice&)>& paint) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return file.errorString();
    }
    {
        QPdfWriter writer(&file);
        writer.setPageLayout(paperLayout(size));
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("Tamberlin"));
        paint(writer);
    }
    if (!file.commit()) {
        return file.errorString();
    }
    return {};
}

QPageSize DefaultPaperSize() {
    return QPageSize(QLocale::system().measurementSystem() == QLocale::ImperialUSSystem
                         ? QPageSize::Letter
                         : QPageSize::A4);
}

QMarginsF PaperMargins() {
    return {18, 16, 18, 14};
}

} // namespace tamberlin
