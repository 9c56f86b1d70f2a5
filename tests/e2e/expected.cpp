#include "expected.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "scenario.h"
#include "text_hook.h"

namespace tgw::e2e {

namespace {

std::wstring Lines(std::initializer_list<const wchar_t*> lines) {
  std::wstring text;
  for (const wchar_t* line : lines) text.append(line).append(L"\r\n");
  return text;
}

struct CaptionRow {
  Control id;
  const char* name;
  const wchar_t* english;
  const wchar_t* russian;
};

// clang-format off
constexpr CaptionRow kCaptions[] = {
  {Control::Label1,   "Label1",   L"Select language",                        L"Выберите язык"},
  {Control::Label2,   "Label2",   L"Setup",                                  L"Установка"},
  {Control::Label3,   "Label3",   L"Welcome to Tagwright instalation",       L"Вас приветствует установка Tagwright"},
  {Control::Frame1,   "Frame1",   L"Stage 1 of 4",                           L"Этап 1 из 4"},
  {Control::Frame2,   "Frame2",   L"Stage 2 of 4",                           L"Этап 2 из 4"},
  {Control::Frame3,   "Frame3",   L"Stage 3 of 4",                           L"Этап 3 из 4"},
  {Control::Frame4,   "Frame4",   L"Stage 4 of 4",                           L"Этап 4 из 4"},
  {Control::Frame5,   "Frame5",   L"Installation",                           L"Установка"},
  {Control::Frame6,   "Frame6",   L"OK",                                     L"OK"},
  {Control::Command1, "Command1", L"Exit",                                   L"Выход"},
  {Control::Command2, "Command2", L"Back",                                   L"Назад"},
  {Control::Command3, "Command3", L"Next",                                   L"Далее"},
  {Control::Command4, "Command4", L"...",                                    L"..."},
  {Control::Label4,   "Label4",   L"Please, select directory to install",    L"Выберите директорию для установки"},
  {Control::Label5,   "Label5",   L"Now we available to start instalation. Click Next to start.",
                                  L"Все готово для начала установки. Нажмите Далее для продолжения."},
  {Control::Check1,   "Check1",   L"Create desktop icon",                    L"Создать иконку на рабочем столе"},
  {Control::Label6,   "Label6",   L"Progress",                               L"Прогресс"},
  {Control::Label7,   "Label7",   L"Setup has been successfully completed!", L"Установка была успешно завершена!"},
  {Control::Label8,   "Label8",   L"2",                                      L"2"},
};
// clang-format on

std::vector<Caption> Captions(bool russian) {
  std::vector<Caption> captions;
  for (const CaptionRow& row : kCaptions) {
    captions.push_back({row.id, row.name, russian ? row.russian : row.english});
  }
  return captions;
}

}  // namespace

std::vector<Caption> EnglishCaptions() { return Captions(false); }

std::vector<Caption> RussianCaptions() { return Captions(true); }

std::wstring EnglishDescription() {
  return Lines({
      L"This programm represent HTML editor, with highlightening syntax and visual editor.",
      L"This programm is freeware.",
      L"Version: 2.50",
      L"Official site: https://tagwright.example.org/",
      L"E-mail for wishes and suggestions: wishes@tagwright.example.org",
  });
}

std::wstring RussianDescription() {
  return Lines({
      L"Эта программа представляет из себя HTML редактор, с подсветкой синтаксиса и визуальным "
      L"редатором.",
      L"Данное ПО является бесплатным.",
      L"Версия продукта: 2.50",
      L"Официальный сайт: https://tagwright.example.org/",
      L"E-mail для пожеланий или предложений: wishes@tagwright.example.org",
  });
}

void ExpectCaptions(const SetupProcess& setup, const std::vector<Caption>& captions) {
  for (const Caption& caption : captions) {
    EXPECT_EQ(setup.Text(caption.id), caption.text) << caption.name;
  }
}

void ExpectExitQuestion(const SetupProcess& setup, const Dialog& question,
                        const std::wstring& prompt) {
  EXPECT_EQ(question.Title(), kExitTitle);
  EXPECT_EQ(question.ItemText(Dialog::kPromptId), prompt);
  std::vector<int> buttons = question.Buttons();
  std::sort(buttons.begin(), buttons.end());
  EXPECT_EQ(buttons, (std::vector<int>{IDYES, IDNO}));
  EXPECT_TRUE(question.IsDefaultButton(IDYES));
  EXPECT_FALSE(question.IsDefaultButton(IDNO));
  // The box's icon, as the text hook saw it given.
  std::vector<std::wstring> icons;
  for (const TextEvent& event : setup.Events()) {
    if (event.icon) icons.push_back(event.text);
  }
  ASSERT_FALSE(icons.empty()) << "the question shows no icon";
  EXPECT_EQ(icons.back(), hook::kInformationIcon);
}

std::vector<std::wstring> SampleNames() {
  return ManifestNames(SampleFolder() + L"\\manifest.txt");
}

std::vector<std::wstring> SmallPayloadNames() {
  return ManifestNames(SmallPayloadFolder() + L"\\manifest.txt");
}

void ExpectSmallPayloadInstalled(const std::wstring& install_dir) {
  for (const std::wstring& name : SmallPayloadNames()) {
    const auto expected = ReadFile(SmallPayloadFolder() + L"\\" + name);
    ASSERT_TRUE(expected.has_value()) << ::testing::PrintToString(name);
    EXPECT_EQ(ReadFile(install_dir + name), expected) << ::testing::PrintToString(name);
  }
}

std::string InstallLog(const std::wstring& install_dir, const std::vector<std::wstring>& names,
                       bool desktop_icon) {
  std::vector<std::wstring> lines{install_dir};
  for (const std::wstring& name : names) lines.push_back(install_dir + name);
  const std::vector<std::wstring> shortcuts = ShortcutFiles();
  lines.insert(lines.end(), shortcuts.begin() + (desktop_icon ? 0 : 1), shortcuts.end());
  return CrLfLines(lines);
}

std::vector<std::wstring> ManifestNames(const std::wstring& manifest) {
  const std::optional<std::string> text = ReadFile(manifest);
  if (!text) throw DriverError(L"cannot read " + manifest);
  std::vector<std::wstring> names;
  std::size_t start = 0;
  while (start < text->size()) {
    std::size_t end = text->find('\n', start);
    if (end == std::string::npos) end = text->size();
    std::string line = text->substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) names.emplace_back(line.begin(), line.end());
    start = end + 1;
  }
  return names;
}

std::vector<std::wstring> ProgressTexts(std::size_t file_count) {
  std::vector<std::wstring> texts{L"5%", L"25%", L"50%"};
  for (std::size_t k = 1; k <= file_count; ++k) {
    texts.push_back(std::to_wstring(45 * k / file_count + 50) + L"%");
  }
  texts.push_back(L"100%");
  return texts;
}

std::vector<std::wstring> ActionTexts(const std::vector<std::wstring>& names,
                                      std::wstring_view install_dir) {
  std::vector<std::wstring> texts{L"Creating directories...", L"Unpacking...",
                                  L"Unpacking was successful"};
  for (const std::wstring& name : names) {
    texts.push_back(L"Copying file " + name + L"\r\n To \r\n" + std::wstring(install_dir) + name);
  }
  texts.push_back(L"Creating settings file and links...");
  return texts;
}

}  // namespace tgw::e2e
