#include "core/excel_writer.h"

#include <xlsxwriter.h>

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QUrl>
#include <algorithm>
#include <charconv>
#include <cmath>

#include "core/job.h"
#include "core/ui.h"

namespace {

const QString kErrorCaption = QStringLiteral("Ошибка");

// Characters a file name may not hold on the desktops the program runs on.
QString safeFileTitle(const QString& title) {
    QString t;
    for (const QChar c : title)
        t += (c.unicode() < 32 || QStringLiteral("/\\:*?\"<>|").contains(c)) ? QLatin1Char('_') : c;
    t = t.trimmed();
    return t.isEmpty() ? QStringLiteral("Книга") : t;
}

// The first name of the folder's stem no file holds: "stem.xlsx", "stem (2).xlsx", ...; empty when none is.
QString freeName(const QString& dir, const QString& stem) {
    for (int n = 1; n < 1000; ++n) {
        const QString path = QDir(dir).filePath(n == 1 ? stem + QStringLiteral(".xlsx")
                                                       : QStringLiteral("%1 (%2).xlsx").arg(stem).arg(n));
        if (!QFileInfo::exists(path))
            return path;
    }
    return {};
}

}  // namespace

namespace excel {

bool runExport(ExcelWriter& writer, const std::function<void(job::Progress&)>& work) {
    return job::run(QStringLiteral("Выгрузка в Excel"), [&](job::Progress& progress) {
        try {
            work(progress);
        } catch (...) {
            writer.discard();
            throw;
        }
    });
}

bool isNumberText(const QString& text, double* value) {
    // An optional sign, a whole part without a leading zero before another digit, an optional separator with
    // digits after it; one line end after the number is allowed. Read by hand: this runs for every cell.
    const QChar* p = text.constData();
    qsizetype n = text.size();
    if (n > 0 && p[n - 1] == QLatin1Char('\n'))
        --n;
    auto digit = [&](qsizetype i) { return p[i].unicode() >= '0' && p[i].unicode() <= '9'; };
    qsizetype i = 0;
    if (i < n && (p[i] == QLatin1Char('+') || p[i] == QLatin1Char('-')))
        ++i;
    const qsizetype whole = i;
    while (i < n && digit(i))
        ++i;
    if (i == whole || (i - whole > 1 && p[whole] == QLatin1Char('0')))
        return false;
    if (i < n && (p[i] == QLatin1Char('.') || p[i] == QLatin1Char(','))) {
        const qsizetype fraction = ++i;
        while (i < n && digit(i))
            ++i;
        if (i == fraction)
            return false;
    }
    if (i != n)
        return false;
    int significant = 0;
    bool leading = true;
    char buffer[64];
    int length = 0;
    for (qsizetype k = 0; k < n; ++k) {
        const char c = static_cast<char>(p[k].unicode());
        if (c != '+' && length < int(sizeof buffer))
            buffer[length++] = c == ',' ? '.' : c;
        if (c < '0' || c > '9' || (leading && c == '0'))
            continue;
        leading = false;
        ++significant;
    }
    if (significant > 15)
        return false;
    if (value) {
        if (length == int(sizeof buffer))  // a long run of zeros: rare enough for the general reader
            *value = QString(text).replace(QLatin1Char(','), QLatin1Char('.')).toDouble();
        else
            std::from_chars(buffer, buffer + length, *value);
    }
    return true;
}

}  // namespace excel

ExcelWriter::ExcelWriter(bool formatting) : formatting_(formatting) {}

ExcelWriter::~ExcelWriter() {
    // At the end of the program a workbook not yet shown is still written, without asking anyone.
    if (book_)
        finish(false);
}

QString ExcelWriter::folder() const {
    if (!folder_.isEmpty())
        return folder_;
    QString base = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (base.isEmpty())
        base = QDir::homePath();
    return base + QStringLiteral("/Выгрузки в Excel");
}

int ExcelWriter::open(const QString& title) {
    // A later open replaces the workbook; an unfinished one is written to its file, not lost.
    if (book_)
        finish();

    const QString dir = folder();
    const QString stem = safeFileTitle(title) + QLatin1Char(' ') +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH-mm-ss"));
    QString path, part;
    bool created = QDir().mkpath(dir);
    if (created) {
        path = freeName(dir, stem);
        // The hidden file the workbook is written to; it takes the export's name when finished.
        QTemporaryFile file(QDir(dir).filePath(QStringLiteral(".~") + stem + QStringLiteral(" XXXXXX.part")));
        file.setAutoRemove(false);
        created = !path.isEmpty() && file.open();
        part = file.fileName();
    }
    if (created) {
        tmpdir_ = QFile::encodeName(dir);
        lxw_workbook_options options{};
        options.tmpdir = tmpdir_.data();
        book_ = workbook_new_opt(QFile::encodeName(part).constData(), &options);
        sheet_ = book_ ? workbook_add_worksheet(book_, "Лист1") : nullptr;
        if (book_ && !sheet_) {
            lxw_workbook_free(book_);
            book_ = nullptr;
        }
        created = created && book_;
        if (!created)
            QFile::remove(part);
    }
    if (!created) {
        ui::messageBox(QStringLiteral("Невозможно открыть Microsoft Excel."), kErrorCaption, ui::MB_ERROR);
        ui::messageBox(QStringLiteral("Ошибка открытия файла Microsoft Excel."), kErrorCaption, ui::MB_ERROR);
        return -1;
    }
    partName_ = part;
    fileName_ = path;
    if (formatting_) {
        for (int i = 0; i < 4; ++i) {
            formats_[i] = workbook_add_format(book_);
            if (i & 1)
                format_set_num_format(formats_[i], "@");
            if (i & 2)
                format_set_bold(formats_[i]);
        }
    }
    return 1;
}

int ExcelWriter::writeCell(int sheet, int column, int row, const QString& text, bool asText, bool autofit, bool bold) {
    if (text.isEmpty())
        return 1;
    auto where = [&] {
        return QStringLiteral("Ошибка при записи: лист %1, столбец %2, строка %3").arg(sheet).arg(column).arg(row);
    };
    if (!sheet_ || sheet != 1) {
        ui::messageBox(where(), QStringLiteral("Ошибочный номер листа Microsoft Excel"), ui::MB_ERROR);
        return -1;
    }
    if (!formatting_)
        autofit = bold = false;
    if (cellFailed(sheet_, column, row, text, asText, bold)) {
        ui::messageBox(where(), QStringLiteral("Ошибка Microsoft Excel"), ui::MB_ERROR);
        return -1;
    }
    // Autofit fits the column to everything it holds at that moment, as the spreadsheet's own command does.
    const size_t col = size_t(column - 1);
    if (col >= widest_.size()) {
        widest_.resize(col + 1, 0.0);
        fitted_.resize(col + 1, -1.0);
    }
    widest_[col] = std::max(widest_[col], fitWidth(text, bold));
    if (autofit)
        fitted_[col] = widest_[col];
    return 1;
}

bool ExcelWriter::cellFailed(lxw_worksheet* ws, int column, int row, const QString& text, bool asText, bool bold) {
    if (column < 1 || row < 1 || column > LXW_COL_MAX || row > LXW_ROW_MAX)
        return true;
    lxw_format* format = formatting_ ? formats_[(asText ? 1 : 0) + (bold ? 2 : 0)] : nullptr;
    double number = 0;
    lxw_error err;
    if (!asText && excel::isNumberText(text, &number))
        err = worksheet_write_number(ws, row - 1, column - 1, number, format);
    else
        err = worksheet_write_string(ws, row - 1, column - 1, text.toUtf8().constData(), format);
    return err != LXW_NO_ERROR;
}

double ExcelWriter::fitWidth(const QString& text, bool bold) {
    // The widest line, capitals counting 1.3.
    double widest = 0, w = 0;
    for (const QChar c : text) {
        if (c == QLatin1Char('\n')) {
            widest = std::max(widest, w);
            w = 0;
        } else {
            w += c.isUpper() ? 1.3 : 1.0;
        }
    }
    widest = std::max(widest, w);
    if (bold)
        widest *= 1.1;
    return std::min(255.0, std::ceil((widest + 1.0) * 4) / 4);
}

void ExcelWriter::finish(bool report) {
    lxw_workbook* book = book_;
    book_ = nullptr;
    if (lxw_worksheet* ws = sheet_) {
        for (size_t col = 0; col < fitted_.size(); ++col) {
            if (fitted_[col] >= 0)
                worksheet_set_column(ws, lxw_col_t(col), lxw_col_t(col), fitted_[col], nullptr);
        }
    }
    sheet_ = nullptr;
    lxw_doc_properties props{};
    props.created = created_.isValid() ? static_cast<time_t>(created_.toSecsSinceEpoch()) : 0;
    workbook_set_properties(book, &props);
    const lxw_error err = workbook_close(book);
    widest_.clear();
    fitted_.clear();
    std::fill(std::begin(formats_), std::end(formats_), nullptr);
    const QString part = std::exchange(partName_, QString());
    QString failure;
    if (err != LXW_NO_ERROR) {
        failure = QString::fromUtf8(lxw_strerror(err));
    } else {
        // The finished file takes its name; one that another export took meanwhile is left to it.
        const QFileInfo wanted(fileName_);
        const QString stem = wanted.completeBaseName();
        QString path = fileName_;
        bool renamed = false;
        for (int n = 2; !renamed && !path.isEmpty(); ++n) {
            renamed = QFile::rename(part, path);
            if (!renamed && !QFileInfo::exists(path))
                break;
            if (!renamed)
                path = n < 1000 ? wanted.dir().filePath(QStringLiteral("%1 (%2).xlsx").arg(stem).arg(n)) : QString();
        }
        if (renamed)
            fileName_ = path;
        else
            failure = QStringLiteral("файл не переименован");
    }
    if (!failure.isEmpty()) {
        QFile::remove(part);
        if (report)
            ui::messageBox(QStringLiteral("Не удалось записать книгу в файл %1: %2")
                               .arg(QDir::toNativeSeparators(fileName_), failure),
                           QStringLiteral("Ошибка Microsoft Excel"), ui::MB_ERROR);
    }
}

void ExcelWriter::discard() {
    if (!book_)
        return;
    lxw_workbook_free(book_);
    book_ = nullptr;
    sheet_ = nullptr;
    widest_.clear();
    fitted_.clear();
    std::fill(std::begin(formats_), std::end(formats_), nullptr);
    QFile::remove(std::exchange(partName_, QString()));
}

int ExcelWriter::show(bool visible) {
    if (!book_ || !visible)
        return 1;
    finish();
    if (!QFile::exists(fileName_))
        return 1;
    bool opened;
    const QString opener = qEnvironmentVariable("TABEL_XLSX_OPENER");
    if (!opener.trimmed().isEmpty()) {
        QStringList args = QProcess::splitCommand(opener);
        QProcess viewer;
        viewer.setProgram(args.takeFirst());
        viewer.setArguments(args << fileName_);
        // The viewer gets no database password (the program keeps none in its environment either).
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("PGPASSWORD"));
        viewer.setProcessEnvironment(env);
        opened = viewer.startDetached();
    } else {
        opened = QDesktopServices::openUrl(QUrl::fromLocalFile(fileName_));
    }
    if (!opened)
        ui::messageBox(QStringLiteral("Не найдено приложение для просмотра книги. Книга сохранена в файле:\n%1")
                           .arg(QDir::toNativeSeparators(fileName_)),
                       QStringLiteral("Microsoft Excel"), ui::MB_INFO);
    return 1;
}

ExcelWriter& plainWriter() {
    static ExcelWriter w(false);
    return w;
}

ExcelWriter& formattingWriter() {
    static ExcelWriter w(true);
    return w;
}
