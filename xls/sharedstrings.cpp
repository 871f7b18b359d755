// SST with CONTINUE splitting and the EXTSST bucket index.
#include "xls/sharedstrings.h"

#include "xls/biffrecords.h"

#include <algorithm>

namespace xls {

namespace {

// One EXTSST bucket: where the first text of the bucket starts.
struct Bucket
{
    quint32 streamPos; // from the start of the Workbook stream
    quint16 recordPos; // from the start of its SST or CONTINUE record
};

// Fills records of at most kMaxRecordData bytes: SST first, then CONTINUEs.
class RecordSplitter
{
public:
    explicit RecordSplitter(QByteArray &stream) : m_stream(stream) {}

    int room() const { return kMaxRecordData - int(m_data.size()); }
    QByteArray &data() { return m_data; }
    Bucket here() const
    {
        const int pos = 4 + int(m_data.size()); // after the record header
        return {quint32(m_stream.size() + pos), quint16(pos)};
    }
    void next()
    {
        finish();
        m_type = rec::Continue;
    }
    void finish()
    {
        putRecord(m_stream, m_type, m_data);
        m_data.clear();
    }

private:
    QByteArray &m_stream;
    QByteArray m_data;
    quint16 m_type = rec::Sst;
};

void putText(RecordSplitter &out, const QString &text)
{
    put16(out.data(), quint16(text.size()));
    put8(out.data(), 0x01);
    qsizetype done = 0;
    while (done < text.size()) {
        if (out.room() < 2) {
            out.next();
            put8(out.data(), 0x01); // the flags again: still UTF-16
        }
        const qsizetype n = std::min<qsizetype>(out.room() / 2, text.size() - done);
        putUtf16(out.data(), text.mid(done, n));
        done += n;
    }
}

} // namespace

quint32 SharedStrings::add(const QString &text)
{
    ++m_references;
    const auto it = m_index.constFind(text);
    if (it != m_index.constEnd())
        return it.value();
    const quint32 index = quint32(m_strings.size());
    m_index.insert(text, index);
    m_strings.append(text);
    return index;
}

void SharedStrings::write(QByteArray &stream) const
{
    // At most 128 buckets, at least 8 texts in each.
    const int perBucket = std::max(8, (int(m_strings.size()) + 127) / 128);
    QList<Bucket> buckets;
    RecordSplitter out(stream);
    put32(out.data(), m_references);
    put32(out.data(), quint32(m_strings.size()));
    for (qsizetype i = 0; i < m_strings.size(); ++i) {
        const QString &text = m_strings[i];
        // The header (count and flags) and the first character stay together.
        if (out.room() < 3 + (text.isEmpty() ? 0 : 2))
            out.next();
        if (i % perBucket == 0)
            buckets.append(out.here());
        putText(out, text);
    }
    out.finish();

    QByteArray ext;
    put16(ext, quint16(perBucket));
    for (const Bucket &b : buckets) {
        put32(ext, b.streamPos);
        put16(ext, b.recordPos);
        put16(ext, 0);
    }
    putRecord(stream, rec::ExtSst, ext);
}

} // namespace xls
