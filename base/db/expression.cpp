#include "expression.h"

#include <QStringView>

#include <cmath>

namespace lc::db::detail {
namespace {

// Parentheses and Not nest the parser (and the evaluator) recursively; And/Or chains do
// not, they become one node with many children.
constexpr int kMaxDepth = 64;

struct Token {
    enum Kind : quint8 { End, Ident, Number, String, Op, LParen, RParen, Comma, Minus };
    Kind kind = End;
    CmpOp op = CmpOp::Eq;
    qsizetype pos = 0;
    qsizetype len = 0;
};

bool isIdentStart(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || u == '_';
}

bool isIdentChar(QChar c)
{
    return isIdentStart(c) || (c >= u'0' && c <= u'9');
}
bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

class Parser {
public:
    explicit Parser(const QString &text) : m_text(text) {}

    QString statement(Statement *out);
    QString expression(Expr *out);

private:
    bool tokenize();
    const Token &peek() const { return m_tokens[m_at]; }
    void advance()
    {
        if (m_tokens[m_at].kind != Token::End)
            ++m_at;
    }
    QStringView textOf(const Token &t) const { return QStringView(m_text).mid(t.pos, t.len); }
    bool isKeyword(const Token &t, QLatin1StringView word) const
    {
        return t.kind == Token::Ident && textOf(t).compare(word, Qt::CaseInsensitive) == 0;
    }
    bool isAnyKeyword(const Token &t) const;
    QString describe(const Token &t) const;
    bool fail(const QString &message)
    {
        if (m_error.isEmpty())
            m_error = message;
        return false;
    }
    // The same for the node builders, which answer -1 for "no node".
    int failNode(const QString &message)
    {
        fail(message);
        return -1;
    }
    bool expectName(const QString &what, QString *name);

    int parseOr(int depth);
    int parseAnd(int depth);
    int parseNot(int depth);
    int parsePrimary(int depth);
    bool parseValue(const QString &column, Constant *out);
    int addNode(Node node)
    {
        m_expr->nodes.push_back(std::move(node));
        return int(m_expr->nodes.size() - 1);
    }
    int addList(Node::Kind kind, const std::vector<int> &children);

    const QString &m_text;
    std::vector<Token> m_tokens;
    size_t m_at = 0;
    Expr *m_expr = nullptr;
    QString m_error;
};

bool Parser::tokenize()
{
    m_tokens.reserve(8);
    const qsizetype n = m_text.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = m_text.at(i);
        if (c.isSpace()) {
            ++i;
            continue;
        }
        Token t;
        t.pos = i;
        if (isIdentStart(c)) {
            qsizetype j = i + 1;
            while (j < n && isIdentChar(m_text.at(j)))
                ++j;
            t.kind = Token::Ident;
            t.len = j - i;
        } else if (isDigit(c)) {
            qsizetype j = i + 1;
            while (j < n && isDigit(m_text.at(j)))
                ++j;
            if (j + 1 < n && m_text.at(j) == u'.' && isDigit(m_text.at(j + 1))) {
                j += 2;
                while (j < n && isDigit(m_text.at(j)))
                    ++j;
            }
            t.kind = Token::Number;
            t.len = j - i;
        } else if (c == u'\'') {
            qsizetype j = i + 1;
            for (;;) {
                if (j >= n)
                    return fail(QStringLiteral("unterminated quoted text starting at position %1")
                                    .arg(i + 1));
                if (m_text.at(j) == u'\'') {
                    if (j + 1 < n && m_text.at(j + 1) == u'\'') {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            t.kind = Token::String;
            t.len = j + 1 - i;
        } else if (c == u'=') {
            t.kind = Token::Op;
            t.op = CmpOp::Eq;
            t.len = 1;
        } else if (c == u'<' || c == u'>') {
            const QChar next = i + 1 < n ? m_text.at(i + 1) : QChar();
            t.kind = Token::Op;
            t.len = 1;
            if (c == u'<' && next == u'>') {
                t.op = CmpOp::Ne;
                t.len = 2;
            } else if (next == u'=') {
                t.op = c == u'<' ? CmpOp::Le : CmpOp::Ge;
                t.len = 2;
            } else {
                t.op = c == u'<' ? CmpOp::Lt : CmpOp::Gt;
            }
        } else if (c == u'(' || c == u')' || c == u',' || c == u'-') {
            t.kind = c == u'('   ? Token::LParen
                     : c == u')' ? Token::RParen
                     : c == u',' ? Token::Comma
                                 : Token::Minus;
            t.len = 1;
        } else {
            return fail(QStringLiteral("unexpected character '%1' at position %2")
                            .arg(QString(c), QString::number(i + 1)));
        }
        m_tokens.push_back(t);
        i += t.len;
    }
    Token end;
    end.pos = n;
    m_tokens.push_back(end);
    return true;
}

bool Parser::isAnyKeyword(const Token &t) const
{
    static const QLatin1StringView words[] = {
        QLatin1StringView("SELECT"), QLatin1StringView("FROM"),  QLatin1StringView("WHERE"),
        QLatin1StringView("AND"),    QLatin1StringView("OR"),    QLatin1StringView("NOT"),
        QLatin1StringView("TRUE"),   QLatin1StringView("FALSE"), QLatin1StringView("NULL"),
        QLatin1StringView("IS")};
    for (const auto &w : words)
        if (isKeyword(t, w))
            return true;
    return false;
}

QString Parser::describe(const Token &t) const
{
    if (t.kind == Token::End)
        return QStringLiteral("the end of the text");
    QString shown = textOf(t).toString();
    if (shown.size() > 40)
        shown = shown.left(37) + QStringLiteral("...");
    return QStringLiteral("'%1' at position %2").arg(shown, QString::number(t.pos + 1));
}

bool Parser::expectName(const QString &what, QString *name)
{
    const Token &t = peek();
    if (t.kind != Token::Ident || isAnyKeyword(t))
        return fail(QStringLiteral("expected %1, found %2").arg(what, describe(t)));
    *name = textOf(t).toString();
    advance();
    return true;
}

int Parser::addList(Node::Kind kind, const std::vector<int> &children)
{
    // (a And b) And c is one And of three: keeps evaluation flat however long the chain.
    Node node;
    node.kind = kind;
    node.first = int(m_expr->kids.size());
    for (int child : children) {
        const Node &c = m_expr->nodes[child];
        if (c.kind == kind) {
            for (int k = 0; k < c.count; ++k)
                m_expr->kids.push_back(m_expr->kids[c.first + k]);
        } else {
            m_expr->kids.push_back(child);
        }
    }
    node.count = int(m_expr->kids.size()) - node.first;
    return addNode(std::move(node));
}

int Parser::parseOr(int depth)
{
    int first = parseAnd(depth);
    if (first < 0 || !isKeyword(peek(), QLatin1StringView("OR")))
        return first;
    std::vector<int> children{first};
    while (isKeyword(peek(), QLatin1StringView("OR"))) {
        advance();
        const int next = parseAnd(depth);
        if (next < 0)
            return -1;
        children.push_back(next);
    }
    return addList(Node::Or, children);
}

int Parser::parseAnd(int depth)
{
    int first = parseNot(depth);
    if (first < 0 || !isKeyword(peek(), QLatin1StringView("AND")))
        return first;
    std::vector<int> children{first};
    while (isKeyword(peek(), QLatin1StringView("AND"))) {
        advance();
        const int next = parseNot(depth);
        if (next < 0)
            return -1;
        children.push_back(next);
    }
    return addList(Node::And, children);
}

int Parser::parseNot(int depth)
{
    if (!isKeyword(peek(), QLatin1StringView("NOT")))
        return parsePrimary(depth);
    if (depth >= kMaxDepth)
        return failNode(QStringLiteral("the expression is nested too deeply"));
    advance();
    const int child = parseNot(depth + 1);
    if (child < 0)
        return -1;
    Node node;
    node.kind = Node::Not;
    node.first = int(m_expr->kids.size());
    node.count = 1;
    m_expr->kids.push_back(child);
    return addNode(std::move(node));
}

int Parser::parsePrimary(int depth)
{
    if (peek().kind == Token::LParen) {
        if (depth >= kMaxDepth)
            return failNode(QStringLiteral("the expression is nested too deeply"));
        advance();
        const int inner = parseOr(depth + 1);
        if (inner < 0)
            return -1;
        if (peek().kind != Token::RParen)
            return failNode(QStringLiteral("expected ')', found %1").arg(describe(peek())));
        advance();
        return inner;
    }

    Node node;
    if (!expectName(QStringLiteral("a column name"), &node.name))
        return -1;

    if (isKeyword(peek(), QLatin1StringView("IS"))) {
        advance();
        node.kind = Node::IsNull;
        if (isKeyword(peek(), QLatin1StringView("NOT"))) {
            advance();
            node.kind = Node::IsNotNull;
        }
        if (!isKeyword(peek(), QLatin1StringView("NULL")))
            return failNode(
                QStringLiteral("expected Null after Is, found %1").arg(describe(peek())));
        advance();
        return addNode(std::move(node));
    }

    if (peek().kind != Token::Op)
        return failNode(QStringLiteral("expected a comparison (=, <>, <, >, <=, >=) after '%1', "
                                       "found %2")
                            .arg(node.name, describe(peek())));
    node.op = peek().op;
    advance();

    Constant k;
    if (!parseValue(node.name, &k))
        return -1;
    if (k.kind == Constant::Null) {
        if (node.op != CmpOp::Eq && node.op != CmpOp::Ne)
            return failNode(QStringLiteral("Null can only be compared with = or <> (column '%1')")
                                .arg(node.name));
        node.kind = node.op == CmpOp::Eq ? Node::IsNull : Node::IsNotNull;
        return addNode(std::move(node));
    }
    if (k.kind == Constant::Bool && node.op != CmpOp::Eq && node.op != CmpOp::Ne)
        return failNode(QStringLiteral("True and False can only be compared with = or <> (column "
                                       "'%1')")
                            .arg(node.name));
    node.kind = Node::Compare;
    node.constant = int(m_expr->constants.size());
    m_expr->constants.push_back(std::move(k));
    return addNode(std::move(node));
}

bool Parser::parseValue(const QString &column, Constant *out)
{
    const Token &t = peek();
    bool negative = false;
    if (t.kind == Token::Minus) {
        advance();
        if (peek().kind != Token::Number)
            return fail(
                QStringLiteral("expected a number after '-', found %1").arg(describe(peek())));
        negative = true;
    }
    const Token &v = peek();
    switch (v.kind) {
    case Token::Number: {
        Number num;
        const QStringView digits = textOf(v);
        bool ok = false;
        num.i = digits.toLongLong(&ok);
        if (!ok) {
            num.isInt = false;
            num.d = digits.toDouble(&ok);
            if (!ok || !std::isfinite(num.d))
                return fail(QStringLiteral("the number %1 is out of range").arg(describe(v)));
        }
        if (negative) {
            num.i = -num.i;
            num.d = -num.d;
        }
        out->kind = num.isInt ? Constant::Int : Constant::Real;
        out->num = num;
        advance();
        return true;
    }
    case Token::String: {
        out->kind = Constant::Text;
        out->text = textOf(v).mid(1, v.len - 2).toString();
        out->text.replace(QStringLiteral("''"), QStringLiteral("'"));
        out->folded = out->text.toCaseFolded();
        out->numeric = readNumber(out->text, &out->num);
        advance();
        return true;
    }
    case Token::Ident:
        if (isKeyword(v, QLatin1StringView("TRUE")) || isKeyword(v, QLatin1StringView("FALSE"))) {
            out->kind = Constant::Bool;
            out->truth = isKeyword(v, QLatin1StringView("TRUE"));
            advance();
            return true;
        }
        if (isKeyword(v, QLatin1StringView("NULL"))) {
            out->kind = Constant::Null;
            advance();
            return true;
        }
        break;
    default:
        break;
    }
    return fail(QStringLiteral("expected a value for '%1' (a number, 'text', True, False or "
                               "Null), found %2")
                    .arg(column, describe(v)));
}

QString Parser::expression(Expr *out)
{
    *out = Expr();
    m_expr = out;
    if (!tokenize())
        return m_error;
    if (peek().kind == Token::End)
        return QStringLiteral("the expression is empty");
    out->root = parseOr(0);
    if (out->root >= 0 && peek().kind != Token::End)
        fail(QStringLiteral("unexpected %1 after the expression").arg(describe(peek())));
    if (!m_error.isEmpty())
        *out = Expr();
    return m_error;
}

QString Parser::statement(Statement *out)
{
    *out = Statement();
    m_expr = &out->where;
    if (!tokenize())
        return m_error;
    if (!isKeyword(peek(), QLatin1StringView("SELECT")))
        return QStringLiteral("the statement must start with SELECT, found %1")
            .arg(describe(peek()));
    advance();
    for (;;) {
        QString column;
        if (!expectName(QStringLiteral("a column name"), &column))
            return m_error;
        for (const QString &seen : std::as_const(out->columns))
            if (seen.compare(column, Qt::CaseInsensitive) == 0)
                return QStringLiteral("the column '%1' is listed twice").arg(column);
        out->columns.append(column);
        if (peek().kind != Token::Comma)
            break;
        advance();
    }
    if (!isKeyword(peek(), QLatin1StringView("FROM")))
        return QStringLiteral("expected ',' or FROM after the column list, found %1")
            .arg(describe(peek()));
    advance();
    if (!expectName(QStringLiteral("a table name after FROM"), &out->table))
        return m_error;
    if (isKeyword(peek(), QLatin1StringView("WHERE"))) {
        advance();
        if (peek().kind == Token::End)
            return QStringLiteral("the WHERE clause is empty");
        out->where.root = parseOr(0);
        if (out->where.root < 0)
            return QStringLiteral("in the WHERE clause: ") + m_error;
    }
    if (peek().kind != Token::End)
        return QStringLiteral("unexpected %1 after the statement").arg(describe(peek()));
    return {};
}

int compareNumbers(const Number &a, const Number &b)
{
    if (a.isInt && b.isInt)
        return a.i < b.i ? -1 : a.i > b.i ? 1 : 0;
    const double x = a.real();
    const double y = b.real();
    return x < y ? -1 : x > y ? 1 : 0;
}

Tri fromBool(bool b)
{
    return b ? Tri::True : Tri::False;
}

Tri applyOp(CmpOp op, int c)
{
    switch (op) {
    case CmpOp::Eq:
        return fromBool(c == 0);
    case CmpOp::Ne:
        return fromBool(c != 0);
    case CmpOp::Lt:
        return fromBool(c < 0);
    case CmpOp::Gt:
        return fromBool(c > 0);
    case CmpOp::Le:
        return fromBool(c <= 0);
    case CmpOp::Ge:
        return fromBool(c >= 0);
    }
    return Tri::Unknown;
}

const char *opSql(CmpOp op)
{
    switch (op) {
    case CmpOp::Eq:
        return " = ";
    case CmpOp::Ne:
        return " <> ";
    case CmpOp::Lt:
        return " < ";
    case CmpOp::Gt:
        return " > ";
    case CmpOp::Le:
        return " <= ";
    case CmpOp::Ge:
        return " >= ";
    }
    return " = ";
}

void appendSql(const Expr &e, int n, QString *sql, std::vector<const Constant *> *binds)
{
    static const Constant zero = [] {
        Constant k;
        k.kind = Constant::Int;
        return k;
    }();
    const Node &node = e.nodes[n];
    switch (node.kind) {
    case Node::And:
    case Node::Or:
        sql->append(u'(');
        for (int k = 0; k < node.count; ++k) {
            if (k)
                sql->append(node.kind == Node::And ? QLatin1StringView(" AND ")
                                                   : QLatin1StringView(" OR "));
            appendSql(e, e.kids[node.first + k], sql, binds);
        }
        sql->append(u')');
        break;
    case Node::Not:
        sql->append(QLatin1StringView("NOT ("));
        appendSql(e, e.kids[node.first], sql, binds);
        sql->append(u')');
        break;
    case Node::IsNull:
    case Node::IsNotNull:
        sql->append(quoteIdentifier(node.name));
        sql->append(node.kind == Node::IsNull ? QLatin1StringView(" IS NULL")
                                              : QLatin1StringView(" IS NOT NULL"));
        break;
    case Node::Compare: {
        const Constant &k = e.constants[node.constant];
        sql->append(quoteIdentifier(node.name));
        if (k.kind == Constant::Bool) {
            // Stored booleans may be 1 or -1 for true: compare truthiness, as the filter does.
            const bool wantTrue = (node.op == CmpOp::Eq) == k.truth;
            sql->append(QLatin1StringView(wantTrue ? " <> ?" : " = ?"));
            binds->push_back(&zero);
            break;
        }
        sql->append(QLatin1StringView(opSql(node.op)));
        sql->append(u'?');
        if (k.kind == Constant::Text)
            sql->append(QLatin1StringView(" COLLATE ") + QLatin1StringView(kCollation));
        binds->push_back(&k);
        break;
    }
    }
}

Tri evalNode(const Expr &e, int n, const Cell *row, const Pools &pools)
{
    const Node &node = e.nodes[n];
    switch (node.kind) {
    case Node::Compare:
        return compareCell(row[node.column], node.op, e.constants[node.constant], pools);
    case Node::IsNull:
        return fromBool(row[node.column].type == Cell::Null);
    case Node::IsNotNull:
        return fromBool(row[node.column].type != Cell::Null);
    case Node::Not: {
        const Tri t = evalNode(e, e.kids[node.first], row, pools);
        return t == Tri::Unknown ? t : fromBool(t == Tri::False);
    }
    case Node::And: {
        Tri result = Tri::True;
        for (int k = 0; k < node.count; ++k) {
            const Tri t = evalNode(e, e.kids[node.first + k], row, pools);
            if (t == Tri::False)
                return t;
            if (t == Tri::Unknown)
                result = t;
        }
        return result;
    }
    case Node::Or: {
        Tri result = Tri::False;
        for (int k = 0; k < node.count; ++k) {
            const Tri t = evalNode(e, e.kids[node.first + k], row, pools);
            if (t == Tri::True)
                return t;
            if (t == Tri::Unknown)
                result = t;
        }
        return result;
    }
    }
    return Tri::Unknown;
}

} // namespace

bool readNumber(const QString &text, Number *out)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    const qsizetype start = (t.at(0) == u'-' || t.at(0) == u'+') ? 1 : 0;
    if (start >= t.size() || !(isDigit(t.at(start)) || t.at(start) == u'.'))
        return false;
    bool ok = false;
    const qint64 i = t.toLongLong(&ok);
    if (ok) {
        *out = Number{true, i, 0};
        return true;
    }
    const double d = t.toDouble(&ok);
    if (!ok || !std::isfinite(d))
        return false;
    *out = Number{false, 0, d};
    return true;
}

QString parseStatement(const QString &text, Statement *out)
{
    Parser p(text);
    QString error = p.statement(out);
    if (!error.isEmpty())
        *out = Statement();
    return error;
}

// "column = whole number" is what counting by filter asks thousands of times in a row; it
// is read here directly instead of through the tokenizer and the parser.
bool readSimpleEquality(const QString &text, QStringView *column, qint64 *number)
{
    const QChar *s = text.constData();
    const qsizetype n = text.size();
    qsizetype i = 0;
    const auto skipSpaces = [&] {
        while (i < n && s[i] == u' ')
            ++i;
    };
    skipSpaces();
    const qsizetype nameAt = i;
    if (i >= n || !(s[i].isLetter() || s[i] == u'_') || s[i].unicode() > 127)
        return false;
    while (i < n && s[i].unicode() < 128 && (s[i].isLetterOrNumber() || s[i] == u'_'))
        ++i;
    const qsizetype nameLen = i - nameAt;
    skipSpaces();
    if (i >= n || s[i] != u'=')
        return false;
    ++i;
    skipSpaces();
    const bool negative = i < n && s[i] == u'-';
    if (negative)
        ++i;
    const qsizetype digitsAt = i;
    qint64 digitsValue = 0;
    while (i < n && s[i] >= u'0' && s[i] <= u'9') {
        digitsValue = digitsValue * 10 + (s[i].unicode() - u'0');
        ++i;
    }
    const qsizetype digits = i - digitsAt;
    skipSpaces();
    if (digits == 0 || digits > 18 || i != n)
        return false;
    const QStringView name(s + nameAt, nameLen);
    if (nameLen <= 5) // the longest word of the language, "false"
        for (const char *word : {"and", "or", "not", "true", "false", "null", "is"})
            if (name.compare(QLatin1StringView(word), Qt::CaseInsensitive) == 0)
                return false;
    *column = name;
    *number = negative ? -digitsValue : digitsValue;
    return true;
}

static bool parseSimpleEquality(const QString &text, Expr *out)
{
    QStringView name;
    qint64 value = 0;
    if (!readSimpleEquality(text, &name, &value))
        return false;
    *out = Expr();
    Constant k;
    k.kind = Constant::Int;
    k.num.isInt = true;
    k.num.i = value;
    k.num.d = double(k.num.i);
    out->constants.push_back(std::move(k));
    Node node;
    node.kind = Node::Compare;
    node.op = CmpOp::Eq;
    node.constant = 0;
    node.name = name.toString();
    out->nodes.push_back(std::move(node));
    out->root = 0;
    return true;
}

QString parseExpression(const QString &text, Expr *out)
{
    if (parseSimpleEquality(text, out))
        return {};
    Parser p(text);
    return p.expression(out);
}

int fieldIndex(const QStringList &fields, QStringView name)
{
    for (qsizetype f = 0; f < fields.size(); ++f)
        if (fields.at(f).compare(name, Qt::CaseInsensitive) == 0)
            return int(f);
    return -1;
}

QString resolveColumns(Expr &expr, const QStringList &fields)
{
    for (Node &node : expr.nodes) {
        if (node.kind != Node::Compare && node.kind != Node::IsNull && node.kind != Node::IsNotNull)
            continue;
        node.column = fieldIndex(fields, node.name);
        if (node.column < 0)
            return node.name;
    }
    return {};
}

QString toSql(const Expr &expr, std::vector<const Constant *> *binds)
{
    QString sql;
    if (!expr.empty())
        appendSql(expr, expr.root, &sql, binds);
    return sql;
}

QString quoteIdentifier(const QString &name)
{
    QString quoted = name;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

int compareText(const QString &a, const QString &b)
{
    return QString::compare(a, b, Qt::CaseInsensitive);
}

Tri compareCell(const Cell &cell, CmpOp op, const Constant &k, const Pools &pools)
{
    if (cell.type == Cell::Null || cell.type == Cell::Gone)
        return Tri::Unknown;
    const bool isNumber = cell.isNumber();
    Number cellNum;
    if (cell.isInt())
        cellNum.i = pools.intOf(cell);
    else if (cell.type == Cell::Real)
        cellNum = Number{false, 0, pools.realOf(cell)};
    int c = 0;
    switch (k.kind) {
    case Constant::Null:
        return Tri::Unknown;
    case Constant::Bool: {
        const bool truth = isNumber ? (cell.isInt() ? cellNum.i != 0 : cellNum.d != 0) : true;
        return fromBool((truth == k.truth) == (op == CmpOp::Eq));
    }
    case Constant::Int:
    case Constant::Real:
        // SQLite orders numbers before text and text before blobs.
        c = isNumber ? compareNumbers(cellNum, k.num) : 1;
        break;
    case Constant::Text:
        if (isNumber)
            c = k.numeric ? compareNumbers(cellNum, k.num) : -1;
        else if (cell.type == Cell::Text)
            c = compareText(pools.texts[cell.ref], k.text);
        else
            c = 1;
        break;
    }
    return applyOp(op, c);
}

Tri evaluate(const Expr &expr, const Cell *row, const Pools &pools)
{
    if (expr.empty())
        return Tri::True;
    return evalNode(expr, expr.root, row, pools);
}

} // namespace lc::db::detail
