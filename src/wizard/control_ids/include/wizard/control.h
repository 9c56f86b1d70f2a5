#pragma once

// Every control of the wizard window, numbered by its stable window ID. Tests and
// administrators' automation find the controls by these numbers.
namespace tgw {

enum class Control : int {
  Form1 = 1000,     // the wizard window itself
  Command1 = 1001,  // Exit
  Command2 = 1002,  // Back
  Command3 = 1003,  // Next / Finish
  Command4 = 1004,  // "..." folder browse
  Frame1 = 1101,
  Frame2 = 1102,
  Frame3 = 1103,
  Frame4 = 1104,
  Frame5 = 1105,  // progress page
  Frame6 = 1106,  // completion page
  Label1 = 1201,
  Label2 = 1202,
  Label3 = 1203,
  Label4 = 1204,
  Label5 = 1205,
  Label6 = 1206,
  Label7 = 1207,
  Label8 = 1208,
  Text1 = 1301,  // install folder
  Description = 1302,
  English = 1303,
  Russian = 1304,
  Lang = 1401,
  Check1 = 1402,  // desktop icon
  Bar = 1501,
  PRG = 1502,
  Action = 1503,
  Image1 = 1601,
  Line1 = 1602,
};

}  // namespace tgw
