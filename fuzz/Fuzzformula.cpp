// Formulas of a discussion: two formula texts (split at the first byte 1), one computing
// the conclusion 1.2 from the premise 1.1 and one computing 1.1, so that the texts can
// reference each other's conclusions (chains and cycles). Each is compiled and run alone,
// then the whole discussion's formulas are computed together.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/Fuzzsandbox.h"
#include "model/Calculateformula.h"
#include "model/Tdiscussion.h"
#include "tests/model/Discussionfill.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input = fuzzing::Bytes(data, size);
  const size_t split = input.find('\x01');
  const std::string first(input.substr(0, split));
  const std::string second(split == std::string_view::npos ? std::string_view() : input.substr(split + 1));

  TDiscussion d;
  modeltest::MakeRoot(d, fuzzing::Sandbox() + "/discussion");
  modeltest::FillEverything(d);
  const TDiscBlockIndex premise = d.Storages.FindDiscBlockIndexByName("1.1");
  const TDiscBlockIndex conclusion = d.Storages.FindDiscBlockIndexByName("1.2");
  const TDiscBlockIndex formula = d.Storages.FindDiscBlockIndexByName("1.3");
  const TDiscBlockIndex other =
      modeltest::AddBlock(d, StorageType_Model, d.Storages.FindDiscBlockIndexByName("1"), TextType_Formula, "");
  TDiscBlock& o = *d.Storages.GetDiscBlock(other);
  o.Conclusion = premise;
  o.ConclusionCode = d.Storages.GetDiscBlock(premise)->GetDiscBlockCode();
  d.Storages.GetStrHashItem(formula)->Str.FormulaText = first;
  d.Storages.GetStrHashItem(other)->Str.FormulaText = second;

  const auto alone = [&d](const std::string& text, TDiscBlockIndex computes, TDiscBlockIndex by) {
    TFormulaProgram program;
    std::string error;
    double value = 0;
    if (program.Compile(d, text, error)) program.Run(d, value, error);
    TStr errorText;
    CalculateFormula(d, computes, by, TStr(text), errorText, value, 0);
    FormulaValueToPossibility(value);
  };
  alone(first, conclusion, formula);
  alone(second, premise, other);
  std::vector<TFormulaError> errors;
  d.CalculateFormulas(&errors);
  fuzzing::ForgetErrors();
  return 0;
}
