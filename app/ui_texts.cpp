#include "app/ui_texts.h"

#include <vector>

#include "core/text.h"
#include "worker/messages.h"

const char16_t kNoInternetText[] = u"Ошибка подключения к интернету.";
const char16_t kEjectQuestion[] =
    u"Для корректного сохранения записанных данных в сканере необходимо выполнить\n"
    u"безопасное отключение устройства. Убедитесь, что на компьютере нет открытых\n"
    u"дисков сканера в других приложениях и выберите кнопку 'Да'.\n"
    u"При выборе 'Нет' можно выполнить безопасное отключение позже, средствами Windows.\n"
    u"\n"
    u"Отключить ЗОР-70 сейчас?";
const char16_t kNewReleaseHeader[] = u"Новая версия";

const char16_t* InstallFinishedText(bool cancelled) {
  return cancelled ? u"Загрузка модуля отменена." : u"Загрузка произведена успешно.";
}

std::u16string ProgressText(unsigned long kilobytes, bool fromCache) {
  if (fromCache) return u"Был загружен ранее";
  std::u16string text;
  AppendDecimal(text, kilobytes);
  return text + u" KB";
}

std::u16string ComposeScannerLabel(std::u16string_view text) {
  std::vector<std::u16string_view> pieces;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(u'\n', start);
    if (end == std::u16string_view::npos) end = text.size();
    if (end > start) pieces.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  if (pieces.empty()) return std::u16string(text.substr(0, kDisplayTextSize - 1));

  std::u16string label(pieces[0]);
  if (pieces.size() > 1) label.append(u"\nСерийный № ").append(pieces[1]);
  if (pieces.size() > 2) label.append(u"\nДата вып. ").append(pieces[2]);
  if (label.size() > kDisplayTextSize - 1) label.resize(kDisplayTextSize - 1);
  return label;
}
