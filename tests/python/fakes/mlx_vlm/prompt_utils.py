"""Test stand-in for mlx_vlm.prompt_utils."""


def apply_chat_template(processor, config, prompt, num_images=1, **kwargs):
    return "<|user|>" + "<|image|>" * num_images + prompt + "<|assistant|>"
