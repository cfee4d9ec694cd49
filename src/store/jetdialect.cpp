#include "store/jetdialect.h"

#include "store/daycount.h"
#include "store/errors.h"

#include <QDate>
#include <QRegularExpression>

#include <optional>
#include <vector>

namespace {

enum class TokenKind { Space, Word, Number, Quoted, Date, Punct };

struct Token
{
    TokenKind kind;
    QString text;
};

bool isWordStart(QChar c)
{
    return c.isLetter() || c == QLatin1Char('_');
}

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

// Reads a literal that ends with `close`; a doubled closer inside stands for itself.
qsizetype quotedEnd(const QString& sql, qsizetype start, QChar close, bool doubling)
{
    for (qsizetype i = start + 1; i < sql.size(); ++i) {
        if (sql[i] != close)
            continue;
        if (doubling && i + 1 < sql.size() && sql[i + 1] == close) {
            ++i;
            continue;
        }
        return i + 1;
    }
    throw SqlError(QStringLiteral("Незакрытая строка или имя в запросе: %1").arg(sql.mid(start, 40)));
}

std::vector<Token> tokenize(const QString& sql)
{
    std::vector<Token> tokens;
    qsizetype i = 0;
    while (i < sql.size()) {
        const QChar c = sql[i];
        qsizetype end = i + 1;
        TokenKind kind = TokenKind::Punct;
        if (c.isSpace()) {
            while (end < sql.size() && sql[end].isSpace())
                ++end;
            kind = TokenKind::Space;
        } else if (isWordStart(c)) {
            while (end < sql.size() && isWordChar(sql[end]))
                ++end;
            kind = TokenKind::Word;
        } else if (c.isDigit()) {
            while (end < sql.size() && (sql[end].isDigit() || sql[end] == QLatin1Char('.')))
                ++end;
            kind = TokenKind::Number;
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('`')) {
            end = quotedEnd(sql, i, c, true);
            kind = TokenKind::Quoted;
        } else if (c == QLatin1Char('[')) {
            end = quotedEnd(sql, i, QLatin1Char(']'), false);
            kind = TokenKind::Quoted;
        } else if (c == QLatin1Char('#')) {
            end = quotedEnd(sql, i, QLatin1Char('#'), false);
            kind = TokenKind::Date;
        }
        tokens.push_back({kind, sql.mid(i, end - i)});
        i = end;
    }
    return tokens;
}

// #mm/dd/yyyy hh.nn.ss# (also with colons, or without the time) as an exact day count.
QString dateLiteralToDayCount(const QString& literal)
{
    static const QRegularExpression form(QStringLiteral(
        "^#\\s*(\\d{1,2})/(\\d{1,2})/(\\d{4})(?:\\s+(\\d{1,2})[.:](\\d{1,2})(?:[.:](\\d{1,2}))?)?\\s*#$"));
    const auto m = form.match(literal);
    const QDate date =
        m.hasMatch() ? QDate(m.captured(3).toInt(), m.captured(1).toInt(), m.captured(2).toInt()) : QDate();
    const QTime time =
        m.hasMatch() ? QTime(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt()) : QTime();
    if (!date.isValid() || !time.isValid())
        throw SqlError(QStringLiteral("Неверная дата в запросе: %1").arg(literal));
    const double days = toDayCount(date, QTime(0, 0));
    const int seconds = time.msecsSinceStartOfDay() / 1000;
    // The same two roundings as toDayCount(): seconds / 86400.0 and then the sum.
    if (seconds == 0)
        return QString::number(qint64(days));
    return QStringLiteral("(%1+%2/86400.0)").arg(qint64(days)).arg(seconds);
}

bool isWord(const Token& t, const char* word)
{
    return t.kind == TokenKind::Word && t.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

bool isPunct(const Token& t, char c)
{
    return t.kind == TokenKind::Punct && t.text == QLatin1Char(c);
}

// Index of the next token after `i` that is not white space, or tokens.size().
size_t nextSignificant(const std::vector<Token>& tokens, size_t i)
{
    ++i;
    while (i < tokens.size() && tokens[i].kind == TokenKind::Space)
        ++i;
    return i;
}

bool isAlterColumn(const std::vector<Token>& tokens)
{
    std::vector<const Token*> words;
    for (const Token& t : tokens) {
        if (t.kind != TokenKind::Space)
            words.push_back(&t);
        if (words.size() == 5)
            break;
    }
    return words.size() == 5 && isWord(*words[0], "ALTER") && isWord(*words[1], "TABLE") &&
           isWord(*words[3], "ALTER") && isWord(*words[4], "COLUMN");
}

} // namespace

JetTranslation translateJet(const QString& jetSql)
{
    const std::vector<Token> tokens = tokenize(jetSql);
    if (isAlterColumn(tokens))
        return {QString(), true};

    // One entry per open parenthesis level (plus the statement itself): the LIMIT that the
    // SELECT at that level asked for with TOP.
    std::vector<std::optional<QString>> limits(1);
    QString out;
    out.reserve(jetSql.size() + 16);
    auto closeLevel = [&] {
        if (limits.back())
            out += QStringLiteral(" LIMIT ") + *limits.back();
        limits.back().reset();
    };

    for (size_t i = 0; i < tokens.size(); ++i) {
        const Token& t = tokens[i];
        if (isPunct(t, '(')) {
            limits.emplace_back();
        } else if (isPunct(t, ')') && limits.size() > 1) {
            closeLevel();
            limits.pop_back();
        } else if (isPunct(t, ';') && limits.size() == 1) {
            closeLevel();
        } else if (t.kind == TokenKind::Date) {
            out += dateLiteralToDayCount(t.text);
            continue;
        } else if (isWord(t, "SELECT")) {
            out += t.text;
            size_t j = nextSignificant(tokens, i);
            if (j < tokens.size() && (isWord(tokens[j], "DISTINCT") || isWord(tokens[j], "ALL"))) {
                out += QLatin1Char(' ') + tokens[j].text;
                i = j;
                j = nextSignificant(tokens, j);
            }
            const size_t n = j < tokens.size() ? nextSignificant(tokens, j) : j;
            if (j < tokens.size() && isWord(tokens[j], "TOP") && n < tokens.size() &&
                tokens[n].kind == TokenKind::Number) {
                limits.back() = tokens[n].text;
                i = n;
            }
            continue;
        }
        out += t.text;
    }
    closeLevel();
    return {out, false};
}
