#include "engine/format/template_records.h"

namespace vlx {
namespace {

#include "engine/format/template_records_data.inc"

TemplateRecords MakePristineTemplates() {
  TemplateRecords records;
  records.document_header = kDocumentHeaderBytes;
  records.document_atom = kDocumentAtomBytes;
  records.environment = kEnvironmentBytes;
  records.drawing_group_header = kDrawingGroupHeaderBytes;
  records.dgg_header = kDggHeaderBytes;
  records.dgg_atom = kDggAtomBytes;
  records.default_blip_store = kDefaultBlipStoreBytes;
  records.dgg_options = kDggOptionsBytes;
  records.menu_split_colors = kMenuSplitColorsBytes;
  records.master_list = kMasterListBytes;
  records.doc_info_list = kDocInfoListBytes;
  records.slide_list = kSlideListBytes;
  records.end_document = kEndDocumentBytes;
  records.default_main_master = kDefaultMainMasterBytes;
  records.slide_head = kSlideHeadBytes;
  records.trial_slide = kTrialSlideBytes;
  records.current_user_image = kCurrentUserImageBytes;
  return records;
}

}  // namespace

const TemplateRecords& PristineTemplates() {
  static const TemplateRecords pristine = MakePristineTemplates();
  return pristine;
}

}  // namespace vlx
