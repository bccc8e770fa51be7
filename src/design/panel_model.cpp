#include "design/panel_model.h"

namespace torvel {
namespace {
template <typename E>
std::size_t at(E e) { return static_cast<std::size_t>(e); }
}  // namespace

PanelModel::PanelModel()
{
    m_fields[at(Field::Zval)].text = "4.7K";
    for (Field f : {Field::R7, Field::R8, Field::R9, Field::R10, Field::Fn})
        m_fields[at(f)].visible = false;
    m_combos[at(Combo::EvalE1)] = "24";
    m_combos[at(Combo::EvalE2)] = "6";
    m_images[at(Image::Image3)] = true;
}

std::string PanelModel::fieldText(Field field) const { return m_fields[at(field)].text; }
void PanelModel::setFieldText(Field field, std::string_view text) { m_fields[at(field)].text = text; }
bool PanelModel::fieldVisible(Field field) const { return m_fields[at(field)].visible; }
void PanelModel::setFieldVisible(Field field, bool visible) { m_fields[at(field)].visible = visible; }
std::string PanelModel::fieldCaption(Field field) const { return std::string(fieldInfo(field).caption); }
std::string PanelModel::comboText(Combo combo) const { return m_combos[at(combo)]; }
void PanelModel::setComboText(Combo combo, std::string_view text) { m_combos[at(combo)] = text; }
std::string PanelModel::labelText(Label label) const { return m_labels[at(label)]; }
void PanelModel::setLabelText(Label label, std::string_view text) { m_labels[at(label)] = text; }
bool PanelModel::imageVisible(Image image) const { return m_images[at(image)]; }
void PanelModel::setImageVisible(Image image, bool visible) { m_images[at(image)] = visible; }
bool PanelModel::radioChecked(FilterType type) const { return m_checked == type; }

void PanelModel::checkRadio(FilterType type)
{
    if (m_checked == type)
        return;
    m_checked = type;
    if (m_typeChecked)
        m_typeChecked(type);
}

void PanelModel::CenteredMessage(std::string_view text, MessageKind kind, MessageButtons)
{
    m_messages.push_back({std::string(text), kind});
}

}  // namespace torvel
