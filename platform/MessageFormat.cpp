#include "platform/MessageFormat.h"

namespace {

enum class TokenKind
{
    Literal,
    Percent,
    Text,
    Number,
    Foreign
};

struct Token
{
    TokenKind kind;
    qsizetype start;
    qsizetype length;
};

bool IsFlag(QChar c)
{
    return c == u'-' || c == u'+' || c == u' ' || c == u'#' || c == u'0';
}

bool IsDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

bool IsAsciiLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// Reads the conversion that starts at text[at] == '%'. Returns its kind and
// length; a '%' that starts no conversion is a literal of length 1.
Token ReadConversion(const QString& text, qsizetype at)
{
    const qsizetype n = text.size();
    qsizetype i = at + 1;
    if (i < n && text[i] == u'%')
        return {TokenKind::Percent, at, 2};
    if (i < n && text[i] == u's')
        return {TokenKind::Text, at, 2};
    if (i + 1 < n && text[i] == u'l' && text[i + 1] == u's')
        return {TokenKind::Text, at, 3};
    if (i < n && text[i] == u'd')
        return {TokenKind::Number, at, 2};
    // Anything else printf would take as a conversion: flags, width,
    // precision, length modifiers, then a letter.
    while (i < n && IsFlag(text[i]))
        ++i;
    while (i < n && (IsDigit(text[i]) || text[i] == u'*'))
        ++i;
    if (i < n && text[i] == u'.') {
        ++i;
        while (i < n && (IsDigit(text[i]) || text[i] == u'*'))
            ++i;
    }
    while (i < n && (text[i] == u'h' || text[i] == u'l' || text[i] == u'L' || text[i] == u'q' ||
                     text[i] == u'j' || text[i] == u'z' || text[i] == u't' || text[i] == u'I'))
        ++i;
    if (i < n && IsAsciiLetter(text[i]))
        return {TokenKind::Foreign, at, i + 1 - at};
    return {TokenKind::Literal, at, 1};
}

QList<Token> Tokenize(const QString& text)
{
    QList<Token> tokens;
    qsizetype literalStart = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        if (text[i] != u'%') {
            ++i;
            continue;
        }
        Token token = ReadConversion(text, i);
        if (token.kind == TokenKind::Literal) {
            ++i;
            continue;
        }
        if (i > literalStart)
            tokens.append({TokenKind::Literal, literalStart, i - literalStart});
        tokens.append(token);
        i += token.length;
        literalStart = i;
    }
    if (text.size() > literalStart)
        tokens.append({TokenKind::Literal, literalStart, text.size() - literalStart});
    return tokens;
}

QString SignatureOf(const QList<Token>& tokens)
{
    QString signature;
    for (const Token& token : tokens) {
        if (token.kind == TokenKind::Text)
            signature += u's';
        else if (token.kind == TokenKind::Number)
            signature += u'd';
        else if (token.kind == TokenKind::Foreign)
            signature += u'?';
    }
    return signature;
}

QString SignatureOf(const QList<MessageArg>& args)
{
    QString signature;
    for (const MessageArg& arg : args)
        signature += arg.isNumber() ? u'd' : u's';
    return signature;
}

QString Fill(const QString& text, const QList<Token>& tokens, const QList<MessageArg>& args)
{
    QString result;
    qsizetype next = 0;
    for (const Token& token : tokens) {
        switch (token.kind) {
        case TokenKind::Literal:
        case TokenKind::Foreign:
            result += QStringView(text).mid(token.start, token.length);
            break;
        case TokenKind::Percent:
            result += u'%';
            break;
        case TokenKind::Text:
        case TokenKind::Number:
            if (next < args.size())
                result += args[next].text();
            ++next;
            break;
        }
    }
    return result;
}

} // namespace

QString PlaceholderSignature(const QString& text)
{
    return SignatureOf(Tokenize(text));
}

QString FormatMessageText(const QString& text, const QString& fallback,
                          const QList<MessageArg>& args)
{
    const QString wanted = SignatureOf(args);
    const QList<Token> tokens = Tokenize(text);
    if (SignatureOf(tokens) == wanted)
        return Fill(text, tokens, args);
    const QList<Token> fallbackTokens = Tokenize(fallback);
    if (SignatureOf(fallbackTokens) == wanted)
        return Fill(fallback, fallbackTokens, args);
    return Fill(text, tokens, args);
}

QString FormatMessageText(const QString& text, const QString& fallback,
                          std::initializer_list<MessageArg> args)
{
    return FormatMessageText(text, fallback, QList<MessageArg>(args));
}
