int vantrel_placeholder;
