// Formulas: the language, its error texts, references to possibilities in force and to
// conclusions of other formulas, the dependency order and cycles.

#include "Rootedtest.h"

using namespace modeltest;

namespace {

class FormulaTest : public RootedTest {
protected:
  TDiscBlockIndex Premise(int possibility) {
    const TDiscBlockIndex block = AddBlock(d, StorageType_Model, root, TextType_Premise, "p");
    d.Storages.GetDiscBlock(block)->Possibility = uint8_t(possibility);
    return block;
  }
  TDiscBlockIndex Conclusion() { return AddBlock(d, StorageType_Model, root, TextType_Conclusion, "c"); }
  TDiscBlockIndex Formula(TDiscBlockIndex conclusion, const std::string& text) {
    const TDiscBlockIndex block = AddBlock(d, StorageType_Model, root, TextType_Formula, "");
    TDiscBlock& record = *d.Storages.GetDiscBlock(block);
    record.Conclusion = conclusion;
    record.ConclusionCode = d.Storages.GetDiscBlock(conclusion)->GetDiscBlockCode();
    d.Storages.GetStrHashItem(block)->Str.FormulaText = text;
    return block;
  }
  std::string Name(TDiscBlockIndex block) { return d.Storages.GetDiscBlock(block)->Name.ToString(); }
  // The value of a formula text, or its error text.
  std::string Evaluate(const std::string& text, TDiscBlockIndex conclusion = {}) {
    TStr error;
    double value = 0;
    const bool valid = CalculateFormula(d, conclusion, {}, text, error, value, 0);
    EXPECT_EQ(valid, error.IsEmpty());
    if (!valid) return error.ToString();
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%g", value);
    return buffer;
  }
  int InForce(TDiscBlockIndex block) { return GetPossibilityInForce(d, block); }

};

}  // namespace

TEST_F(FormulaTest, ArithmeticAndPrecedence) {
  EXPECT_EQ(Evaluate("1+2*3"), "7");
  EXPECT_EQ(Evaluate("(1+2)*3"), "9");
  EXPECT_EQ(Evaluate("10-4-3"), "3");
  EXPECT_EQ(Evaluate("64/4/2"), "8");
  EXPECT_EQ(Evaluate("-2*3"), "-6");
  EXPECT_EQ(Evaluate("2--3"), "5");
  EXPECT_EQ(Evaluate("--2 + +1"), "3");
  EXPECT_EQ(Evaluate(" 1.5 +\t.5\r\n"), "2");
  EXPECT_EQ(Evaluate("10/4"), "2.5");
  EXPECT_EQ(Evaluate("-(1+2)*-(3)"), "9");
}

TEST_F(FormulaTest, EveryFaultHasItsText) {
  EXPECT_EQ(Evaluate(""), "Empty formula");
  EXPECT_EQ(Evaluate("   "), "Empty formula");
  EXPECT_EQ(Evaluate("1+"), "Syntax error at position 3: number, block reference or '(' expected");
  EXPECT_EQ(Evaluate("(1+2"), "Syntax error at position 5: ')' expected");
  EXPECT_EQ(Evaluate("2 3"), "Syntax error at position 3: unexpected character '3'");
  EXPECT_EQ(Evaluate("1,5"), "Syntax error at position 2: the decimal separator is '.'");
  EXPECT_EQ(Evaluate("1 $ 2"), "Syntax error at position 3: unexpected character '$'");
  EXPECT_EQ(Evaluate("."), "Syntax error at position 1: digits expected");
  EXPECT_EQ(Evaluate("<1"), "Syntax error at position 1: '>' expected after the block name");
  EXPECT_EQ(Evaluate("< >"), "Syntax error at position 1: block name expected");
  EXPECT_EQ(Evaluate("<9.9>+1"), "Unknown block <9.9>");
  EXPECT_EQ(Evaluate("1/(2-2)"), "Division by zero");
  EXPECT_EQ(Evaluate("1" + std::string(400, '0')), "Value out of range");
  EXPECT_EQ(Evaluate(std::string(300, '(') + "1" + std::string(300, ')')), "Formula is nested too deeply");
  EXPECT_EQ(Evaluate(std::string(300, '-') + "1"), "Formula is nested too deeply");

  const TDiscBlockIndex gone = Premise(10);
  d.Storages.GetDiscBlock(gone)->DeleteFlag = DeleteFlag_Erased;
  EXPECT_EQ(Evaluate("<" + Name(gone) + ">"), "Block <" + Name(gone) + "> is deleted");
  const TDiscBlockIndex conclusion = Conclusion();
  EXPECT_EQ(Evaluate("<" + Name(conclusion) + "> + 1", conclusion),
            "Formula refers to its own conclusion <" + Name(conclusion) + ">");
  EXPECT_TRUE(Reports().empty());
}

TEST_F(FormulaTest, ReferencesReadThePossibilityInForce) {
  const TDiscBlockIndex a = Premise(80);
  const TDiscBlockIndex b = Premise(30);
  const std::string sum = "< " + Name(a) + " > + <" + Name(b) + ">";
  EXPECT_EQ(Evaluate(sum), "110");
  // The reader's own possibility stands for the block's.
  const int property = d.FindReaderProperty(a, true);
  d.ReaderProperties.Items[property].Possibility = 40;
  EXPECT_EQ(InForce(a), 40);
  EXPECT_EQ(Evaluate(sum), "70");
}

TEST_F(FormulaTest, StoringTakesAWholePossibilityAndIsUndone) {
  const TDiscBlockIndex p = Premise(50);
  const TDiscBlockIndex k = Conclusion();
  const TDiscBlockIndex f = Formula(k, "<" + Name(p) + ">*0.679");
  d.Undo.Clear();
  const std::vector<std::string> before = Contents(d);
  TStr error;
  double value = 0;
  d.Undo.StartStep();
  ASSERT_TRUE(CalculateFormula(d, k, f, d.Storages.GetStrHashItem(f)->Str.FormulaText, error, value, 1));
  EXPECT_DOUBLE_EQ(value, 33.95);
  EXPECT_EQ(InForce(k), 33);
  EXPECT_EQ(d.Storages.GetDiscBlock(k)->Possibility, 100);  // the block itself keeps its own
  EXPECT_EQ(d.Storages.GetDiscBlock(f)->FormulaValue, 1);
  ASSERT_TRUE(d.Undo.UndoStep(d));
  EXPECT_EQ(Contents(d), before);

  EXPECT_EQ(FormulaValueToPossibility(150), 100);
  EXPECT_EQ(FormulaValueToPossibility(-5), 0);
  EXPECT_EQ(FormulaValueToPossibility(99.99), 99);
}

TEST_F(FormulaTest, ConclusionsFedByOtherConclusionsAreRightAfterOnePass) {
  const TDiscBlockIndex p = Premise(50);
  const TDiscBlockIndex k1 = Conclusion();
  const TDiscBlockIndex k2 = Conclusion();
  const TDiscBlockIndex k3 = Conclusion();
  // Stored last to first, so storage order is the wrong order.
  Formula(k3, "<" + Name(k2) + "> * 2");
  Formula(k2, "<" + Name(k1) + "> + 10");
  Formula(k1, "<" + Name(p) + "> / 2");
  EXPECT_EQ(d.CalculateFormulas(), 0);
  EXPECT_EQ(InForce(k1), 25);
  EXPECT_EQ(InForce(k2), 35);
  EXPECT_EQ(InForce(k3), 70);
  // A change at the head reaches the end in one pass too.
  d.Storages.GetDiscBlock(p)->Possibility = 10;
  EXPECT_EQ(d.CalculateFormulas(), 0);
  EXPECT_EQ(InForce(k3), 30);
}

TEST_F(FormulaTest, ACycleIsAnErrorNotAHang) {
  const TDiscBlockIndex p = Premise(50);
  const TDiscBlockIndex k1 = Conclusion();
  const TDiscBlockIndex k2 = Conclusion();
  const TDiscBlockIndex k3 = Conclusion();
  const TDiscBlockIndex f1 = Formula(k1, "<" + Name(k2) + "> + 1");
  Formula(k2, "<" + Name(k1) + "> + 1");
  Formula(k3, "<" + Name(k1) + "> + <" + Name(p) + ">");  // behind the cycle
  std::vector<TFormulaError> errors;
  EXPECT_EQ(d.CalculateFormulas(&errors), 3);
  ASSERT_EQ(errors.size(), 3u);
  EXPECT_EQ(errors[0].Formula, f1);
  EXPECT_EQ(errors[0].Text.ToString(), "Formulas form a cycle through <" + Name(k1) + ">");
  EXPECT_EQ(InForce(k1), 100);
  EXPECT_EQ(InForce(k3), 100);
  EXPECT_TRUE(Reports().empty());
}

TEST_F(FormulaTest, FaultyFormulasAreCountedAndTheOthersStillRun) {
  const TDiscBlockIndex k1 = Conclusion();
  const TDiscBlockIndex k2 = Conclusion();
  const TDiscBlockIndex k3 = Conclusion();
  const TDiscBlockIndex bad = Formula(k1, "<7.7> * 2");
  Formula(k2, "1/0");
  Formula(k3, "12");
  std::vector<TFormulaError> errors;
  EXPECT_EQ(d.CalculateFormulas(&errors), 2);
  ASSERT_EQ(errors.size(), 2u);
  EXPECT_EQ(errors[0].Formula, bad);
  EXPECT_EQ(errors[0].Text.ToString(), "Unknown block <7.7>");
  EXPECT_EQ(errors[1].Text.ToString(), "Division by zero");
  EXPECT_EQ(InForce(k3), 12);
}

TEST_F(FormulaTest, TheUsersChoiceAmongFormulasOfOneConclusion) {
  const TDiscBlockIndex k = Conclusion();
  const TDiscBlockIndex first = Formula(k, "10");
  const TDiscBlockIndex second = Formula(k, "90");
  EXPECT_EQ(d.CalculateFormulas(), 0);
  EXPECT_EQ(InForce(k), 10);
  EXPECT_FALSE(d.Storages.GetDiscBlock(first)->IsUserSelectedFormula(d));
  TBrowseItemIdent conclusion, formula;
  conclusion.SetDiscBlock(d, k);
  formula.SetDiscBlock(d, second);
  d.User.SetBrowseItemIdentsPair(d, conclusion, formula, UserRelation_SelectedFormula);
  EXPECT_TRUE(d.Storages.GetDiscBlock(second)->IsUserSelectedFormula(d));
  EXPECT_FALSE(d.Storages.GetDiscBlock(first)->IsUserSelectedFormula(d));
  EXPECT_EQ(d.CalculateFormulas(), 0);
  EXPECT_EQ(InForce(k), 90);
  // Both formulas carry their value flags.
  EXPECT_EQ(d.Storages.GetDiscBlock(first)->FormulaValue, 1);
  EXPECT_EQ(d.Storages.GetDiscBlock(second)->FormulaValue, 1);
}

TEST_F(FormulaTest, CheckFormulaMarksAndClearsTheFormulaError) {
  const TDiscBlockIndex k = Conclusion();
  const TDiscBlockIndex f = Formula(k, "1/0");
  EXPECT_FALSE(d.Storages.Model.CheckFormula(d, f.Index, 1));
  const uint16_t record = d.Storages.GetDiscBlock(f)->UnlinkedIndex;
  ASSERT_NE(record, NoUnlinkedBlockInfo);
  EXPECT_EQ(d.UnlinkedBlockInfos[record].FormulaError, 1);
  d.Storages.GetStrHashItem(f)->Str.FormulaText = "1";
  EXPECT_TRUE(d.Storages.Model.CheckFormula(d, f.Index, 1));
  EXPECT_EQ(d.Storages.GetDiscBlock(f)->UnlinkedIndex, NoUnlinkedBlockInfo);
}
