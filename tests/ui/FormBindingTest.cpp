// Descriptions that name the form's members and handlers: what Build stores
// and binds, and the mistakes it refuses.
#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

#include "core/Exceptions.h"
#include "tests/ui/TestForm.h"

namespace {

// A list class of a form's own, with an event the standard list lacks.
class TChangingList : public TListBox {
public:
    using TListBox::TListBox;
    TNotifyEvent OnChange;
    void Change()
    {
        if (OnChange)
            OnChange(this);
    }
};

class TBindingForm : public TForm {
public:
    explicit TBindingForm(const TFormDescription& aDescription) : TForm(nullptr, 96)
    {
        Build(aDescription);
        DoCreate();
    }
    TEdit* Edit = nullptr;
    TButton* Button = nullptr;
    TChangingList* List = nullptr;
    TLabel* EditLabel = nullptr;
    TImageList* Images = nullptr;
    std::vector<std::string> Calls;

    void FormCreate(TComponent* Sender) { Calls.push_back("create " + Sender->Name); }
    void ButtonClick(TComponent* Sender) { Calls.push_back("click " + Sender->Name); }
    void EditChange(TComponent* Sender) { Calls.push_back("change " + Sender->Name); }
    void ListChange(TComponent* Sender) { Calls.push_back("list change " + Sender->Name); }
    void ListDblClick(TComponent* Sender) { Calls.push_back("double click " + Sender->Name); }
};

class TOtherForm : public TForm {
public:
    explicit TOtherForm(const TFormDescription& aDescription) : TForm(nullptr, 96) { Build(aDescription); }
};

using F = TBindingForm;

// clang-format off
const TControlDescription kControls[] = {
    {.Name = "EditLabel", .Field = FieldOf<&F::EditLabel>, .Left = 8, .Top = 8, .Width = 60, .Height = 13,
     .Text = "&Name:", .Link = FieldOf<&F::Edit>},
    {.Name = "Edit", .Field = FieldOf<&F::Edit>, .Id = 301, .Left = 8, .Top = 24, .Width = 100, .Height = 21,
     .TabOrder = 0, .OnChange = HandlerOf<&F::EditChange>},
    {.Name = "List", .Field = FieldOf<&F::List>, .Id = 302, .Left = 8, .Top = 50, .Width = 100, .Height = 60,
     .TabOrder = 1, .OnChange = HandlerOf<&F::ListChange>, .OnDblClick = HandlerOf<&F::ListDblClick>},
    {.Name = "Button", .Field = FieldOf<&F::Button>, .Id = 303, .Left = 120, .Top = 24, .Width = 65, .Height = 25,
     .Text = "&Go", .TabOrder = 2, .OnClick = HandlerOf<&F::ButtonClick>},
    {.Name = "Images", .Field = FieldOf<&F::Images>, .Width = 20, .Height = 20},
};
// clang-format on

TFormDescription Description(const TControlDescription* aControls, size_t aCount)
{
    return {.ClassName = "TBindingForm",
            .Caption = "Binding",
            .Width = 200,
            .Height = 120,
            .ClientSize = true,
            .Controls = aControls,
            .ControlCount = aCount,
            .OnCreate = HandlerOf<&F::FormCreate>};
}

template <typename TF>
std::string BuildError(const TFormDescription& aDescription)
{
    try {
        TF form(aDescription);
    } catch (const Exception& e) {
        return e.Message();
    }
    return "";
}

} // namespace

TEST(FormBinding, MembersReceiveTheComponentsOfTheirOwnClass)
{
    TBindingForm form(Description(kControls, std::size(kControls)));
    // Each member holds the component of its name; the list is of the
    // member's class, which no kind of the framework names.
    const std::pair<const char*, TComponent*> members[] = {
        {"EditLabel", form.EditLabel}, {"Edit", form.Edit},     {"List", form.List},
        {"Button", form.Button},       {"Images", form.Images},
    };
    for (const auto& [name, member] : members) {
        ASSERT_NE(member, nullptr) << name;
        EXPECT_EQ(form.FindComponent(name), member) << name;
    }
    EXPECT_EQ(form.EditLabel->FocusControl(), form.Edit);
    int width = 0, height = 0;
    ImageList_GetIconSize(form.Images->Handle(), &width, &height);
    EXPECT_EQ(width, 20);
    EXPECT_EQ(height, 20);
}

TEST(FormBinding, HandlersRunOnTheirEvents)
{
    TBindingForm form(Description(kControls, std::size(kControls)));
    SendMessageA(form.Button->Handle(), BM_CLICK, 0, 0);
    SendMessageA(form.Edit->Handle(), WM_CHAR, 'x', 1);
    form.List->Change();
    SendMessageA(form.Handle(), WM_COMMAND, MAKEWPARAM(302, LBN_DBLCLK), reinterpret_cast<LPARAM>(form.List->Handle()));
    EXPECT_EQ(form.Calls, (std::vector<std::string>{"create ", "click Button", "change Edit", "list change List",
                                                    "double click List"}));
}

TEST(FormBinding, MistakesTheCompilerCannotSeeFailTheBuild)
{
    using enum TControlKind;
    const TControlDescription noEvent[] = {
        {.Name = "Button", .Field = FieldOf<&F::Button>, .OnChange = HandlerOf<&F::EditChange>}};
    const TControlDescription twoClasses[] = {{.Kind = ckEdit, .Name = "Edit", .Field = FieldOf<&F::Edit>}};
    const TControlDescription oldLink[] = {{.Kind = ckLabel, .Name = "L", .Resource = "Edit"}};
    const TControlDescription noParent[] = {{.Kind = ckEdit, .Name = "E", .Parent = "Panel"}};
    const TControlDescription noTarget[] = {{.Kind = ckLabel, .Name = "L", .Link = "Nowhere"}};
    const TControlDescription unlinkable[] = {{.Kind = ckEdit, .Name = "E", .Link = "E"}};
    struct Row {
        const TControlDescription* Controls;
        const char* Expected;
    };
    const Row rows[] = {
        {noEvent, "Component 'Button' has no OnChange event"},
        {twoClasses, "Component 'Edit' has both a field and a kind"},
        {oldLink, "Component 'L' names its linked component in Link"},
        {noParent, "Parent of 'E' not found"},
        {noTarget, "Control of 'L' not found"},
        {unlinkable, "Component 'E' takes no link"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(BuildError<TBindingForm>(Description(row.Controls, 1)), row.Expected);
    // A description written for one form class does not build another.
    EXPECT_EQ(BuildError<TOtherForm>(Description(kControls, std::size(kControls))),
              "Form '' is built from the description of another form class");
}
