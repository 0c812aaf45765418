#include "platform/fake_platform.h"

#include <QPageLayout>
#include <QPdfWriter>
#include <QtGlobal>

namespace tamberlin {

QString FakePlatform::kindName(Kind kind) {
    switch (kind) {
    case Kind::Message:
        return QStringLiteral("message");
    case Kind::Confirm:
        return QStringLiteral("confirmation");
    case Kind::Error:
        return QStringLiteral("error");
    case Kind::ErrorBox:
        return QStringLiteral("error box");
    case Kind::List:
        return QStringLiteral("list");
    case Kind::Choice:
        return QStringLiteral("choice");
    case Kind::OpenFile:
        return QStringLiteral("open dialog");
    case Kind::SaveFile:
        return QStringLiteral("save dialog");
    case Kind::Color:
        return QStringLiteral("colour chooser");
    case Kind::ShellOpen:
        return QStringLiteral("shell open");
    case Kind::Print:
        return QStringLiteral("print dialog");
    }
    return {};
}

FakePlatform::Reply FakePlatform::take(Question question) {
    asked_.push_back(question);
    if (replies_.empty() || replies_.front().kind != question.kind) {
        if (onUnexpected) {
            onUnexpected(question);
        } else {
            qFatal("Unexpected %s: \"%s\"%s", qPrintable(kindName(question.kind)),
                   qPrintable(question.text),
                   replies_.empty() ? ""
                                    : qPrintable(QStringLiteral(" (the script expected a %1)")
                                                     .arg(kindName(replies_.front().kind))));
        }
        Reply fallback;
        fallback.kind = question.kind;
        fallback.answer = Answer::Cancel;
        fallback.shellResult = false;
        return fallback;
    }
    Reply reply = replies_.front();
    replies_.pop_front();
    return reply;
}

void FakePlatform::doShowMessage(const QString& text) {
    take(question(Kind::Message, QStringLiteral("Tamberlin"), text, {QStringLiteral("OK")}));
}

Platform::Answer FakePlatform::doConfirm(const QString& text, Buttons buttons) {
    QStringList names{QStringLiteral("&Yes"), QStringLiteral("&No")};
    if (buttons == Buttons::YesNoCancel) {
        names << QStringLiteral("Cancel");
    }
    return take(question(Kind::Confirm, QStringLiteral("Confirm"), text, names)).answer;
}

void FakePlatform::doShowError(const QString& text) {
    take(question(Kind::Error, QStringLiteral("Tamberlin"), text, {QStringLiteral("OK")}));
}

void FakePlatform::doShowErrorBox(const QString& text) {
    take(question(Kind::ErrorBox, QStringLiteral("Error"), text, {QStringLiteral("OK")}));
}

void FakePlatform::doShowList(const QString& summary, const QStringList& items) {
    Question q = question(Kind::List, QStringLiteral("Tamberlin"), summary, {QStringLiteral("OK")});
    q.items = items;
    take(q);
}

std::optional<int> FakePlatform::doChoose(const QString& text, const QStringList& options) {
    return take(question(Kind::Choice, QStringLiteral("Confirm"), text,
                         options + QStringList{QStringLiteral("Cancel")}))
        .choice;
}

std::optional<QString> FakePlatform::doGetOpenFileName(const FileDialogOptions& options) {
    Question q = question(Kind::OpenFile, {}, {}, {});
    q.fileOptions = options;
    const Reply reply = take(q);
    return reply.fileChosen ? std::optional<QString>(reply.fileName) : std::nullopt;
}

std::optional<QString> FakePlatform::doGetSaveFileName(const FileDialogOptions& options) {
    Question q = question(Kind::SaveFile, {}, {}, {});
    q.fileOptions = options;
    const Reply reply = take(q);
    return reply.fileChosen ? std::optional<QString>(reply.fileName) : std::nullopt;
}

std::optional<std::uint32_t> FakePlatform::doChooseColor(std::uint32_t initial) {
    Question q = question(Kind::Color, {}, {}, {});
    q.initialColor = initial;
    return take(q).color;
}

bool FakePlatform::doShellOpen(const QString& target, const QString& workingFolder) {
    Question q = question(Kind::ShellOpen, {}, target, {});
    q.workingFolder = workingFolder;
    return take(q).shellResult;
}

Platform::PrintOutcome FakePlatform::doPrint(const PrintJob& job) {
    Question q = question(Kind::Print, QStringLiteral("Print"), job.documentName, {});
    q.pageCount = job.pageCount;
    const Reply reply = take(q);
    if (!reply.fileChosen) {
        return {PrintOutcome::Cancelled, {}};
    }
    QPdfWriter printer(reply.fileName);
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, job.margins,
                                      QPageLayout::Millimeter));
    const QString error = job.paint(printer, [](int) { return true; });
    return {error.isEmpty() ? PrintOutcome::Printed : PrintOutcome::Failed, error};
}

} // namespace tamberlin
