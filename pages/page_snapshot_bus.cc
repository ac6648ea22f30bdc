// Snapshots and writes to and from bus values.
#include "pages/page_snapshot_bus.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QStringList>
#include <algorithm>
#include <climits>

namespace zr {
namespace {

// An array of integers as a message argument ("ai").
QVariant IntArray(const QList<int>& values) { return QVariant::fromValue(values); }

// An "ai" argument of a received message comes as a bus argument to demarshal;
// one made in this process is the list itself.
std::optional<QList<int>> Ints(const QVariant& value) {
  if (value.metaType() == QMetaType::fromType<QList<int>>()) return value.value<QList<int>>();
  if (value.metaType() != QMetaType::fromType<QDBusArgument>()) return std::nullopt;
  const QDBusArgument argument = value.value<QDBusArgument>();
  if (argument.currentSignature() != QLatin1StringView("ai")) return std::nullopt;
  return qdbus_cast<QList<int>>(argument);
}

std::optional<QStringList> Strings(const QVariant& value) {
  if (value.metaType() != QMetaType::fromType<QStringList>()) return std::nullopt;
  return value.toStringList();
}

}  // namespace

QString ToBusText(const PageText& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

PageText FromBusText(const QString& text) {
  QByteArray utf8 = text.toUtf8();
  return PageText(utf8.constData(), static_cast<size_t>(utf8.size()));
}

QVariantList SnapshotToBus(const PageSnapshot& snapshot) {
  QStringList forms, types, names, values, option_texts, option_values;
  QList<int> element_forms, kinds, max_lengths, option_elements;
  for (const PageText& name : snapshot.forms) forms << ToBusText(name);
  for (size_t i = 0; i < snapshot.elements.size(); ++i) {
    const SnapshotElement& element = snapshot.elements[i];
    element_forms << element.form;
    kinds << static_cast<int>(element.kind);
    types << ToBusText(element.type);
    names << ToBusText(element.name);
    values << ToBusText(element.value);
    // A maximum length beyond the protocol's 32-bit integer is as good as none.
    long max_length = element.max_length.value_or(-1);
    max_lengths << (max_length < 0 || max_length > INT_MAX ? -1 : static_cast<int>(max_length));
    for (const SnapshotOption& option : element.options) {
      option_elements << static_cast<int>(i);
      option_texts << ToBusText(option.text);
      option_values << ToBusText(option.value);
    }
  }
  return {ToBusText(snapshot.url),
          ToBusText(snapshot.title),
          snapshot.truncated,
          forms,
          IntArray(element_forms),
          IntArray(kinds),
          types,
          names,
          values,
          IntArray(max_lengths),
          IntArray(option_elements),
          option_texts,
          option_values};
}

std::optional<PageSnapshot> SnapshotFromBus(const QVariantList& values) {
  if (values.size() != 13) return std::nullopt;
  auto forms = Strings(values[3]);
  auto element_forms = Ints(values[4]);
  auto kinds = Ints(values[5]);
  auto types = Strings(values[6]);
  auto names = Strings(values[7]);
  auto element_values = Strings(values[8]);
  auto max_lengths = Ints(values[9]);
  auto option_elements = Ints(values[10]);
  auto option_texts = Strings(values[11]);
  auto option_values = Strings(values[12]);
  if (!forms || !element_forms || !kinds || !types || !names || !element_values || !max_lengths ||
      !option_elements || !option_texts || !option_values) {
    return std::nullopt;
  }
  const qsizetype count = element_forms->size();
  if (kinds->size() != count || types->size() != count || names->size() != count ||
      element_values->size() != count || max_lengths->size() != count ||
      option_texts->size() != option_elements->size() ||
      option_values->size() != option_elements->size()) {
    return std::nullopt;
  }
  PageSnapshot snapshot;
  snapshot.url = FromBusText(values[0].toString());
  snapshot.title = FromBusText(values[1].toString());
  snapshot.truncated = values[2].toBool();
  for (const QString& name : *forms) snapshot.forms.push_back(FromBusText(name));
  snapshot.elements.reserve(static_cast<size_t>(std::min<qsizetype>(count, 1 << 16)));
  for (qsizetype i = 0; i < count; ++i) {
    const int kind = (*kinds)[i], form = (*element_forms)[i], max_length = (*max_lengths)[i];
    if (kind < 0 || kind > 2 || form < 0 || form >= forms->size()) return std::nullopt;
    snapshot.elements.push_back({static_cast<ElementKind>(kind),
                                 form,
                                 FromBusText((*types)[i]),
                                 FromBusText((*names)[i]),
                                 FromBusText((*element_values)[i]),
                                 max_length < 0 ? std::nullopt : std::optional<long>(max_length),
                                 {}});
  }
  for (qsizetype i = 0; i < option_elements->size(); ++i) {
    const int element = (*option_elements)[i];
    if (element < 0 || element >= count ||
        snapshot.elements[element].kind != ElementKind::kSelect) {
      return std::nullopt;
    }
    snapshot.elements[element].options.push_back(
        {FromBusText((*option_texts)[i]), FromBusText((*option_values)[i])});
  }
  BoundSnapshot(snapshot);
  return snapshot;
}

QVariantList WritesToBus(const std::vector<PageWrite>& writes) {
  QList<int> forms, kinds, indexes, options;
  QStringList values;
  for (const PageWrite& write : writes) {
    forms << write.form;
    kinds << static_cast<int>(write.kind);
    indexes << write.index;
    options << write.option;
    values << ToBusText(write.value);
  }
  return {IntArray(forms), IntArray(kinds), IntArray(indexes), IntArray(options), values};
}

std::optional<std::vector<PageWrite>> WritesFromBus(const QVariantList& values) {
  if (values.size() != 5) return std::nullopt;
  auto forms = Ints(values[0]);
  auto kinds = Ints(values[1]);
  auto indexes = Ints(values[2]);
  auto options = Ints(values[3]);
  auto texts = Strings(values[4]);
  if (!forms || !kinds || !indexes || !options || !texts) return std::nullopt;
  const qsizetype count = forms->size();
  if (kinds->size() != count || indexes->size() != count || options->size() != count ||
      texts->size() != count) {
    return std::nullopt;
  }
  std::vector<PageWrite> writes;
  for (qsizetype i = 0; i < count; ++i) {
    const int kind = (*kinds)[i];
    if (kind < 0 || kind > 2) return std::nullopt;
    writes.push_back({(*forms)[i], static_cast<ElementKind>(kind), (*indexes)[i], (*options)[i],
                      FromBusText((*texts)[i])});
  }
  return writes;
}

}  // namespace zr
